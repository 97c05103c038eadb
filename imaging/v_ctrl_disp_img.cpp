#include "imaging/v_ctrl_disp_img.h"

namespace station {
namespace {
void Put32(std::vector<uint8_t>& b, std::size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}
void Put16(std::vector<uint8_t>& b, std::size_t at, int16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
}
} // namespace

vCtrlDispImg::vCtrlDispImg(bool colour) : mode_(colour ? 3 : 1) {
    // Grey: header, 256 table entries and 4 spare bytes; colour: header and 4.
    header_.assign(mode_ == 1 ? 1068 : 44, 0);
    Put32(header_, 0, 40);
    Put16(header_, 12, 1);
    Put16(header_, 14, static_cast<int16_t>(mode_ * 8));
    if (mode_ == 1)
        for (int i = 0; i < 256; ++i)
            for (int c = 0; c < 4; ++c)
                header_[40 + 4 * i + c] = static_cast<uint8_t>(i);
}

void vCtrlDispImg::SetSize(int32_t width, int32_t lines) {
    Put32(header_, 4, width);
    Put32(header_, 8, -lines);
}

} // namespace station
