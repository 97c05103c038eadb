#include "imaging/acquisition.h"

namespace station {

uint8_t* GrabAndGetImage(vManager& device, const GrabSwitch& grabSwitch) {
    bool fresh = false;
    if (grabSwitch.on()) {
        device.GrabFrame();
        fresh = true;
    }
    return device.GetImageAddr(fresh);
}

} // namespace station
