// Reading an image file into the image memory, callable from code that
// includes windows.h (whose LoadImage macro renames the device's member).
#pragma once

#include <cstdint>
#include <string>

namespace station {

class vManager;

// The device's LoadImage: the file replaces the image memory's content.
int32_t ReadImageFile(vManager& device, const std::string& file);

} // namespace station
