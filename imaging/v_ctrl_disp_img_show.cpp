// The display object's two paint calls over the device-independent-bitmap
// functions of GDI.
#include "imaging/v_ctrl_disp_img.h"

#include <windows.h>

namespace station {

void vCtrlDispImg::Show(HDC dc, const uint8_t* image, int32_t width, int32_t lines) {
    SetSize(width, lines);
    if (!dc)
        return;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(lines), 0, 0, 0,
                      static_cast<UINT>(lines), image,
                      reinterpret_cast<const BITMAPINFO*>(header()), DIB_RGB_COLORS);
}

void vCtrlDispImg::StretchShow(HDC dc, const uint8_t* image, int32_t sx, int32_t sy, int32_t sw,
                               int32_t sh, int32_t dx, int32_t dy, int32_t dw, int32_t dh) {
    SetSize(sw, sh);
    if (!dc)
        return;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, dx, dy, dw, dh, sx, sy, sw, sh, image,
                  reinterpret_cast<const BITMAPINFO*>(header()), DIB_RGB_COLORS, SRCCOPY);
}

} // namespace station
