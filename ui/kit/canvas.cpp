#include "ui/kit/canvas.h"

namespace kit {

Canvas::Canvas(int width, int height)
    : width_(width > 0 ? width : 1), height_(height > 0 ? height : 1),
      stride_((width_ * 3 + 3) & ~3) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width_;
    bi.bmiHeader.biHeight = -height_;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    bits_ = static_cast<uint8_t*>(bits);
    if (bitmap_ && dc_.get())
        previous_ = SelectObject(dc_.get(), bitmap_.get());
}

Canvas::~Canvas() {
    if (previous_)
        SelectObject(dc_.get(), previous_);
}

COLORREF Canvas::Pixel(int x, int y) const {
    if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    GdiFlush();
    const uint8_t* p = bits_ + static_cast<std::size_t>(y) * stride_ + 3 * x;
    return RGB(p[2], p[1], p[0]);
}

} // namespace kit
