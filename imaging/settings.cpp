#include "imaging/settings.h"

#include <algorithm>
#include <cstdlib>

namespace station {

int32_t SettingToInt(const std::string& text) {
    // Leading decimal digits after optional blanks and sign; saturates
    // instead of overflowing.
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    int64_t v = 0;
    while (*p >= '0' && *p <= '9') {
        v = v * 10 + (*p++ - '0');
        if (v > 2147483648LL)
            v = 2147483648LL;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        v = 2147483647LL;
    return static_cast<int32_t>(v);
}

double SettingToReal(const std::string& text) {
    return std::strtod(text.c_str(), nullptr);
}

Settings ReadBasicSettings(SettingsLookup& lookup) {
    Settings s;
    s.InitGrab = SettingToInt(lookup.Get("Basic", "InitGrab"));
    s.MmPerPixel = SettingToReal(lookup.Get("Basic", "MmPerPixel"));
    s.dShowModal = SettingToInt(lookup.Get("Basic", "dShowModal"));
    s.GrabNumber = std::min(SettingToInt(lookup.Get("Basic", "GrabNumber")), kMaxGrabNumber);
    return s;
}

MotionSettings ReadMotionSettings(SettingsLookup& lookup) {
    MotionSettings m;
    const double pitch = SettingToReal(lookup.Get("Motion", "PitchX"));
    const int32_t pulses = SettingToInt(lookup.Get("Motion", "PulseX"));
    const double d = pitch > 0.001 ? pitch : 0.001;
    m.FactorX[0] = SettingToReal(lookup.Get("Motion", "FactorX"));
    m.HomeSpeedX[0] = SettingToReal(lookup.Get("Motion", "HomeSpeedX"));
    m.HomeMoveDisX[0] = SettingToReal(lookup.Get("Motion", "HomeMoveDisX"));
    m.HomeDirX[0] = SettingToInt(lookup.Get("Motion", "HomeDirX"));
    m.pulsePerMm = pulses / d;
    return m;
}

Settings& CurrentSettings() {
    static Settings settings;
    return settings;
}

} // namespace station
