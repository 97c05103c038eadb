#include "imaging/settings.h"
#include "station/measurement.h"

#include "fakes.h"

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

TEST(Settings, GrabNumberIsTakenAsAThousandAtMost) {
    FakeIni ini;
    const struct {
        const char* text;
        int32_t taken;
    } cases[] = {{"2147483647", 1000},
                 {"99999999999", 1000},
                 {"1001", 1000},
                 {"1000", 1000},
                 {"999", 999},
                 {"1", 1},
                 {"0", 0},
                 {"-5", -5}};
    for (const auto& c : cases) {
        ini.values["Basic/GrabNumber"] = c.text;
        EXPECT_EQ(station::ReadBasicSettings(ini).GrabNumber, c.taken) << c.text;
    }
}

// The inspection with a huge GrabNumber measures a thousand pictures: with
// the station's 10 ms a picture that is ten seconds of waiting, which the
// fake clock only counts.
TEST(Settings, HugeGrabNumberInspectsAThousandPictures) {
    FakeIni ini;
    ini.values["Basic/GrabNumber"] = "2147483647";
    const station::Settings s = station::ReadBasicSettings(ini);
    fakes::View view{64, 48};
    fakes::Gauge gauge;
    gauge.script = {{0, 10, 20, 30, 28}};
    fakes::Clock clock;
    const station::Measurement m = station::MeasureDrill(
        {view, view, gauge, clock, view.width, view.height, s.GrabNumber, 0}, 0, 59, false);
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(view.grabs, 1000);
    EXPECT_EQ(clock.waitedMs, 10 * 1000);
    EXPECT_DOUBLE_EQ(m.height, 8.0);
}
