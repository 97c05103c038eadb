// The vision device: owns the camera side of the station (settings, I/O and
// capture libraries, image size, pulse scale).
#pragma once

#include "contracts/ports.h"
#include "imaging/settings.h"

#include <cstdint>

namespace station {

class vProcess {
  public:
    vProcess(CapturePort& capture, IoPort& io);
    virtual ~vProcess();
    vProcess(const vProcess&) = delete;
    vProcess& operator=(const vProcess&) = delete;

    // Device start: settings, I/O, capture, image size.  width and height come
    // in with the caller's defaults and leave with the camera's image size.
    int32_t Init(SettingsLookup& settings, int32_t& width, int32_t& height);

    double pulsePerMm() const { return pulsePerMm_; }
    bool colour() const { return colour_; }
    bool initialised() const { return initialised_; }
    CapturePort& capture() { return capture_; }

  private:
    CapturePort& capture_;
    IoPort& io_;
    MotionSettings motion_;
    double pulsePerMm_ = 0.0;
    bool colour_ = false;
    bool initialised_ = false;
};

} // namespace station
