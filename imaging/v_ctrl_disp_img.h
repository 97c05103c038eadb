// vCtrlDispImg: the display object that hands raw image memory to the
// device-independent-bitmap functions.  It owns the bitmap-info block: the
// 40-byte header and, for grey, the 256-entry grey colour table.
#pragma once

#include <cstdint>
#include <vector>

// The Windows device context, named without the Windows headers: Show and
// StretchShow live in the Windows build only.
struct HDC__;

namespace station {

class vCtrlDispImg {
  public:
    explicit vCtrlDispImg(bool colour);

    int32_t mode() const { return mode_; } // 1 grey, 3 colour
    // The bitmap-info block, laid out as Windows expects it.
    uint8_t* header() { return header_.data(); }
    int32_t headerSize() const { return static_cast<int32_t>(header_.size()); }
    // Rewrites width and (top-down) height before a paint.
    void SetSize(int32_t width, int32_t lines);

    // The picture (width x lines, top row first) at (0, 0) of dc, one to
    // one; with a null dc only the header changes.
    void Show(HDC__* dc, const uint8_t* image, int32_t width, int32_t lines);
    // The source rectangle of a sx x sy picture stretched to the destination
    // rectangle, rows dropped or repeated without blending.
    void StretchShow(HDC__* dc, const uint8_t* image, int32_t sx, int32_t sy, int32_t sw,
                     int32_t sh, int32_t dx, int32_t dy, int32_t dw, int32_t dh);

  private:
    int32_t mode_;
    std::vector<uint8_t> header_;
};

} // namespace station
