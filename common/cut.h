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

// The cut at column c.  c comes from a material record and may be any
// value: the columns are worked out in 64 bits and kept inside the picture
// before they are whole numbers of 32 bits again.
inline void CutAt(uint8_t* image, int32_t w, int32_t h, int32_t c) {
    auto inside = [w](int64_t x) { return std::max<int64_t>(std::min<int64_t>(x, w), -1); };
    const int64_t first = inside(int64_t{c} - 1), last = inside(c);
    WhitenColumns(image, w, h, static_cast<int32_t>(first), static_cast<int32_t>(last));
}

} // namespace common
