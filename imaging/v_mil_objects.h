// Holders of the imaging library's blob and pattern objects.  The station
// only creates and frees them.
#pragma once

#include "imaging/v_object.h"
#include "station/ports.h"

#include <array>

namespace station {

class vMilBlob : public vObject {
  public:
    // Allocates the feature list, then the result.
    vMilBlob(ImagingPort& lib, int32_t system);
    ~vMilBlob() override;

    int32_t system = 0;
    int32_t result = 0;
    int32_t featureList = 0;
    int32_t reserved = 0;

  private:
    ImagingPort& lib_;
};

class vMilMatch : public vObject {
  public:
    static constexpr int kSlots = 101;
    struct Model {
        int32_t system = 0;
        int32_t pattern = 0;
        int32_t reserved0 = 0;
        int32_t pattern2 = 0;
        int32_t reserved1 = 0;
        int32_t reserved2 = 0;
        int32_t image = 0;
        double acceptance = 50.0;
        double scale = 1.0;
        double angle = 0.0;
        double reserved3 = 0.0;
    };
    // Every slot takes the system; nothing is allocated.
    vMilMatch(ImagingPort& lib, int32_t system);
    ~vMilMatch() override;

    int32_t index0 = -1;
    int32_t index1 = -1;
    std::array<Model, kSlots> models{};

  private:
    ImagingPort& lib_;
};

} // namespace station
