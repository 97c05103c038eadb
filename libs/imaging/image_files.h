// TIFF and BMP files for Imaging.dll's buffers, through the Windows Imaging
// Component.
#pragma once

#include <cstdint>

namespace imaging {

// A buffer's pixels: bands (1 grey, 3 colour R, G, B) planes of width x
// height bytes, one after another.
struct Pixels {
    uint8_t* data = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bands = 1;
};

// Fills the top-left part of the pixels that the picture of the file (its
// first frame) covers; the rest keeps its values.  False, pixels untouched,
// when the file cannot be read.
bool ReadImageFile(const char* file, const Pixels& pixels);

// Writes the pixels to the file: BMP when its name ends in ".bmp" (any
// case), TIFF (uncompressed) otherwise; 8-bit grey or 24-bit colour.
bool WriteImageFile(const char* file, const Pixels& pixels);

} // namespace imaging
