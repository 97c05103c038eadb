// The station's cut: before the edge gauge looks at a picture, the columns
// c - 1 and c are made white on every row, kept inside 0 .. W - 2, so that
// the gauge's span ends there.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace common {

constexpr uint8_t kCutWhite = 255;

// Whitens the columns first .. last (kept inside 0 .. W - 2) of a grey
// picture of w x h bytes, rows one after another.
inline void WhitenColumns(uint8_t* image, int32_t w, int32_t h, int32_t first, int32_t last) {
    first = std::max(first, 0);
    last = std::min(last, w - 2);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = first; x <= last; ++x)
            image[static_cast<std::size_t>(y) * w + x] = kCutWhite;
}

// The cut at column c.
inline void CutAt(uint8_t* image, int32_t w, int32_t h, int32_t c) {
    WhitenColumns(image, w, h, c - 1, c);
}

} // namespace common
