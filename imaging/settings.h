// The station's settings from Kest.INI, read once when the device starts.
#pragma once

#include "station/ports.h"

#include <array>
#include <cstdint>

namespace station {

constexpr const char* kSettingMissing = "unknow";
constexpr std::size_t kSettingMaxChars = 99;
// The most pictures one inspection averages: at 10 ms a picture an
// inspection then takes ten seconds at least, not months.
constexpr int32_t kMaxGrabNumber = 1000;

struct Settings {
    int32_t InitGrab = 0;    // 1 grab once after start-up, 2 go live, else neither
    double MmPerPixel = 0.0; // >= 0 overrides the calibrated scales
    int32_t dShowModal = 0;  // 1 modeless window, else modal
    int32_t GrabNumber = 0;  // images averaged per inspection, at most 1000
};

struct MotionSettings {
    double pulsePerMm = 0.0;
    // Kept for the four axes; only X (index 0) is ever read.
    std::array<double, 4> FactorX{};
    std::array<double, 4> HomeSpeedX{};
    std::array<double, 4> HomeMoveDisX{};
    std::array<int32_t, 4> HomeDirX{};
};

// Text-to-number rules of the settings: leading digits, else 0.
int32_t SettingToInt(const std::string& text);
double SettingToReal(const std::string& text);

// The section Basic, in the order the device reads it; GrabNumber above
// kMaxGrabNumber is taken as kMaxGrabNumber.
Settings ReadBasicSettings(SettingsLookup& lookup);
// The section Motion; pulsePerMm = PulseX / max(PitchX, 0.001).
MotionSettings ReadMotionSettings(SettingsLookup& lookup);

// The process-wide settings that the other parts of the station read.
Settings& CurrentSettings();

} // namespace station
