// The roots of the station's imaging classes.
#pragma once

#include <cstdint>

namespace station {

class vObject {
  public:
    vObject() = default;
    vObject(const vObject&) = delete;
    vObject& operator=(const vObject&) = delete;
    virtual ~vObject() = default;
};

// Base of the parameter holders and of the analysis chain.
class rBasicPara : public vObject {};

// The image size an analysis works on.
class vBasicAnalysis : public rBasicPara {
  public:
    int32_t width = 0;
    int32_t height = 0;
    int32_t reserved = 0;
};

} // namespace station
