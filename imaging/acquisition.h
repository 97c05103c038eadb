// The acquisition step of a measurement.
#pragma once

#include "imaging/v_process.h"

#include <atomic>

namespace station {

// The grab switch (menu item GrabSw2, on at start): on, every measured
// picture is grabbed fresh; off, the measurement works on what the image
// memory holds (the last frame or a loaded image file).
class GrabSwitch {
  public:
    bool on() const { return on_.load(); }
    void set(bool on) { on_ = on; }

  private:
    std::atomic<bool> on_{true};
};

// Grabs a fresh frame when the switch is on; the image memory's address.
uint8_t* GrabAndGetImage(vManager& device, const GrabSwitch& grabSwitch);

} // namespace station
