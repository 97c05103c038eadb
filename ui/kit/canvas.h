// A drawing surface in memory with its own lock: a 24-bit top-down DIB
// section selected into a memory DC.  Whoever draws on it, from whatever
// thread, holds its lock for the duration.
#pragma once

#include "ui/kit/gdi.h"

#include <cstdint>
#include <mutex>

namespace kit {

class Canvas {
  public:
    Canvas(int width, int height);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // Pixel (x, y) as blue, green, red bytes; rows of stride bytes.
    uint8_t* bits() const { return bits_; }
    int stride() const { return stride_; }
    COLORREF Pixel(int x, int y) const;
    std::mutex& lock() const { return lock_; }

  private:
    int width_, height_, stride_;
    MemoryDc dc_;
    Bitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
    uint8_t* bits_ = nullptr;
    mutable std::mutex lock_;
};

} // namespace kit
