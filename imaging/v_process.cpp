#include "imaging/v_process.h"

namespace station {

vProcess::vProcess(CapturePort& capture, IoPort& io) : capture_(capture), io_(io) {}

vProcess::~vProcess() {
    if (!initialised_)
        return;
    capture_.Close();
    io_.Close();
}

int32_t vProcess::Init(SettingsLookup& settings, int32_t& width, int32_t& height) {
    CurrentSettings() = ReadBasicSettings(settings);
    io_.Init();
    motion_ = ReadMotionSettings(settings);
    pulsePerMm_ = motion_.pulsePerMm;
    colour_ = capture_.Init();
    initialised_ = true;
    capture_.GetImageSize(&width, &height);
    // A camera without a picture size cannot be measured or shown.
    if (width <= 0 || height <= 0)
        return -1;
    return 0;
}

} // namespace station
