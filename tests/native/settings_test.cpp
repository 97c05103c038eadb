#include "imaging/settings.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// Kest.INI as a map; missing keys answer as the profile lookup does.
class FakeIni : public station::SettingsLookup {
  public:
    std::map<std::string, std::string> values;
    std::string Get(const char* section, const char* key) override {
        auto it = values.find(std::string(section) + "/" + key);
        if (it == values.end())
            return station::kSettingMissing;
        return it->second.substr(0, station::kSettingMaxChars);
    }
};

} // namespace

TEST(Settings, MissingFileGivesZeroEverywhere) {
    FakeIni ini;
    const auto s = station::ReadBasicSettings(ini);
    EXPECT_EQ(s.InitGrab, 0);
    EXPECT_EQ(s.dShowModal, 0);
    EXPECT_EQ(s.GrabNumber, 0);
    EXPECT_EQ(s.MmPerPixel, 0.0);
    EXPECT_EQ(station::ReadMotionSettings(ini).pulsePerMm, 0.0);
}

TEST(Settings, BasicValuesAndLenientNumbers) {
    FakeIni ini;
    ini.values = {{"Basic/InitGrab", "2"},
                  {"Basic/MmPerPixel", "0.01"},
                  {"Basic/dShowModal", "1 ; modeless"},
                  {"Basic/GrabNumber", "x5"}};
    const auto s = station::ReadBasicSettings(ini);
    EXPECT_EQ(s.InitGrab, 2);
    EXPECT_DOUBLE_EQ(s.MmPerPixel, 0.01);
    EXPECT_EQ(s.dShowModal, 1);
    EXPECT_EQ(s.GrabNumber, 0);
    EXPECT_EQ(station::SettingToInt("-12abc"), -12);
    EXPECT_EQ(station::SettingToInt("99999999999"), 2147483647);
    EXPECT_DOUBLE_EQ(station::SettingToReal("-1"), -1.0);
}

TEST(Settings, PulsesPerMillimetreWithThePitchFloor) {
    FakeIni ini;
    ini.values = {{"Motion/PitchX", "5"}, {"Motion/PulseX", "10000"}};
    EXPECT_DOUBLE_EQ(station::ReadMotionSettings(ini).pulsePerMm, 2000.0);
    ini.values["Motion/PitchX"] = "0";
    EXPECT_DOUBLE_EQ(station::ReadMotionSettings(ini).pulsePerMm, 10000000.0);
    ini.values.erase("Motion/PitchX");
    EXPECT_DOUBLE_EQ(station::ReadMotionSettings(ini).pulsePerMm, 10000000.0);
}
