// vImageCard: the device's frame-buffer set, up to four planes of page memory.
#pragma once

#include "imaging/v_object.h"
#include "station/ports.h"

#include <array>

namespace station {

class vImageCard : public vObject {
  public:
    static constexpr int kMaxPlanes = 4;
    explicit vImageCard(PageMemory& memory) : memory_(memory) {}
    ~vImageCard() override;

    // Stores the values and allocates count planes of width x height x bytes
    // per pixel (1 for 8 bits, else 3); a count above 4 gets 4 planes.
    virtual int32_t Allocate(int32_t kind, int32_t width, int32_t height, int32_t bits,
                             int32_t option1, int32_t count, int32_t option2);
    virtual int32_t Reserved0() { return 0; }
    virtual int32_t Reserved1() { return 0; }
    virtual int32_t Reserved2() { return 0; }
    virtual int32_t Reserved3() { return 0; }
    virtual int32_t Reserved4() { return 0; }
    virtual int32_t Reserved5() { return 0; }
    virtual void Size(int32_t* w, int32_t* h) const;
    // Plane i for i from 0 to 3, else null.
    virtual void* Plane(int i) const;

    int32_t planeCount() const { return count_; }
    int32_t bytesPerPixel() const { return bytesPerPixel_; }

  private:
    PageMemory& memory_;
    int32_t kind_ = 0, width_ = 0, height_ = 0, bits_ = 0, option1_ = 0, count_ = 0, option2_ = 0;
    std::array<void*, kMaxPlanes> planes_{};
    // Kept with the set's other values; nothing in the station reads them.
    [[maybe_unused]] int32_t value0_ = 0;
    [[maybe_unused]] int32_t value1_ = 1;
    [[maybe_unused]] int32_t reserved_ = 0;
    int32_t bytesPerPixel_ = 1;
};

} // namespace station
