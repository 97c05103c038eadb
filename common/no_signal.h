// The frame grabber's no-signal marker: the image memory starts with these
// bytes when the camera gave no picture.  The capture library writes it,
// the station's measurement looks for it.
#pragma once

#include <cstdint>

namespace common {

constexpr uint8_t kNoSignalMarker[8] = {0x00, 0xFF, 0x0F, 0xF0, 0x77, 0xA9, 0x11, 0xE3};

} // namespace common
