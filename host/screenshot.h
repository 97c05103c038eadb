// Screenshots of the station's window as PNG files: the window's rectangle
// copied from the screen (what the operator sees) and written by the
// Windows Imaging Component's PNG encoder.
#pragma once

#include <string>

namespace host {

// The station's window of this process as a PNG file; false when there is
// no visible window or the file cannot be written.
bool SaveWindowScreenshot(const std::string& path);

} // namespace host
