#include "imaging/v_image_card.h"

namespace station {

vImageCard::~vImageCard() {
    for (int i = 0; i < count_ && i < kMaxPlanes; ++i)
        if (planes_[i])
            memory_.Free(planes_[i]);
}

int32_t vImageCard::Allocate(int32_t kind, int32_t width, int32_t height, int32_t bits,
                             int32_t option1, int32_t count, int32_t option2) {
    kind_ = kind;
    width_ = width;
    height_ = height;
    bits_ = bits;
    option1_ = option1;
    option2_ = option2;
    count_ = count < 0 ? 0 : (count > kMaxPlanes ? kMaxPlanes : count);
    bytesPerPixel_ = bits == 8 ? 1 : 3;
    const std::size_t bytes = static_cast<std::size_t>(width > 0 ? width : 0) *
                              static_cast<std::size_t>(height > 0 ? height : 0) *
                              static_cast<std::size_t>(bytesPerPixel_);
    for (int i = 0; i < count_; ++i)
        planes_[i] = bytes ? memory_.Allocate(bytes) : nullptr;
    return 0;
}

void vImageCard::Size(int32_t* w, int32_t* h) const {
    if (w)
        *w = width_;
    if (h)
        *h = height_;
}

void* vImageCard::Plane(int i) const { return i >= 0 && i < kMaxPlanes ? planes_[i] : nullptr; }

} // namespace station
