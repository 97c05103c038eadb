// vCtrlDispImg: the display object that hands raw image memory to the
// device-independent-bitmap functions.  It owns the bitmap-info block: the
// 40-byte header and, for grey, the 256-entry grey colour table.
#pragma once

#include <cstdint>
#include <vector>

namespace station {

class vCtrlDispImg {
  public:
    explicit vCtrlDispImg(bool colour);

    int32_t mode() const { return mode_; }  // 1 grey, 3 colour
    // The bitmap-info block, laid out as Windows expects it.
    uint8_t* header() { return header_.data(); }
    int32_t headerSize() const { return static_cast<int32_t>(header_.size()); }
    // Rewrites width and (top-down) height before a paint.
    void SetSize(int32_t width, int32_t lines);

  private:
    int32_t mode_;
    std::vector<uint8_t> header_;
};

} // namespace station
