// Resizing of 8-bit image planes, as the view needs it: tall camera pictures
// reduced to the display buffer, and the display buffer reduced once more.
// Portable: no Windows header.
#pragma once

#include <cstdint>

namespace imaging {

// width x height bytes, rows following each other at the width.
struct ConstPlane {
    const uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

struct Plane {
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

struct Extent {
    int32_t width = 0;
    int32_t height = 0;
};

// The part of a destination that a source resized by the factors covers:
// ceil(source size x factor) along each axis, clipped to the destination.
// Empty for a factor that is not a positive finite number.
Extent ResizedExtent(int32_t sourceWidth, int32_t sourceHeight, int32_t destinationWidth,
                     int32_t destinationHeight, double factorX, double factorY);

// Writes the source, resized by the factors, into the top-left corner of the
// destination and returns the extent written; destination pixels outside it
// keep their values.  Each axis on its own: a factor below 1 averages the
// source pixels that a destination pixel covers, each weighted by the area
// it covers; a factor above 1 interpolates linearly between the neighbouring
// source pixel centres.  Factor 1 copies.  The planes must not overlap.
Extent ResizePlane(const ConstPlane& source, const Plane& destination, double factorX,
                   double factorY);

} // namespace imaging
