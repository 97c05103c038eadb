#include "station/host_command.h"
#include "station/last_values.h"
#include "station/station_object.h"

#include "imaging/settings.h"

#include "fake_world.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

using namespace station;

namespace {

// The values a host may send: the four command numbers, their neighbours,
// negative ones, the extremes, and large ones whose low bytes or words read
// like 1, 2 or 3.
const int32_t kCommandValues[] = {0,
                                  1,
                                  2,
                                  3,
                                  4,
                                  7,
                                  -1,
                                  -2,
                                  -3,
                                  -5,
                                  0x101,
                                  0x10002,
                                  0x01000003,
                                  -0xFFFF, // 0xFFFF0001
                                  std::numeric_limits<int32_t>::min(),
                                  std::numeric_limits<int32_t>::min() + 1,
                                  std::numeric_limits<int32_t>::max()};

// Only 1, 2 and 3 are commands of their own; everything else is inspection A.
const char* CommandTextFor(int32_t value) {
    switch (value) {
    case 1:
        return "@B*";
    case 2:
        return "@M*";
    case 3:
        return "@N*";
    default:
        return "@A*";
    }
}

// Settings with no Kest.INI: one picture per command.
class NoSettings : public SettingsLookup {
  public:
    std::string Get(const char*, const char*) override { return kSettingMissing; }
};

// What the window saw booked.
class Booked : public StationObserver {
  public:
    std::vector<std::vector<std::string>> okRows, ngRows;
    int statistics = 0;
    void MeasuredLine(double, double, double, double) override {}
    void ViewChanged() override {}
    void Statistics(int32_t, int32_t) override { ++statistics; }
    void OkRow(std::vector<std::string> t) override { okRows.push_back(std::move(t)); }
    void NgRow(std::vector<std::string> t) override { ngRows.push_back(std::move(t)); }
};

// A station over fakes of the world, its device started, answering one
// host command as vardelFunction does.
struct HostStation : fakes::World<fakes::Gauge> {
    Booked booked;
    std::unique_ptr<Station> station;

    explicit HostStation(fakes::Gauge::Answer answer) {
        gauge.script = {answer};
        station = std::make_unique<Station>(Ports(), "C:\\Station", 0);
        NoSettings settings;
        EXPECT_EQ(station->StartDevice(settings), 0);
        station->Observe(&booked);
        prompts.shown.clear(); // the station folder holds no Kest.cfg
        auto& st = station->params().station;
        st.EdgePosM = 10;
        st.EdgePosN = 40; // the calibration positions differ
        st.MoveX = 5;
    }
    ~HostStation() {
        station->Observe(nullptr);
        station.reset();
        CurrentSettings() = Settings{};
    }
    int32_t Function(int32_t value) { return station->Run(HostCommandFor(value), true); }
    std::size_t NgLogBytes() const {
        std::size_t n = 0;
        for (const auto& [path, bytes] : disk.files)
            if (path.rfind("C:\\Debug\\NG-", 0) == 0)
                n += bytes.size();
        return n;
    }
};

} // namespace

TEST(HostCommand, NumbersMapToCommands) {
    EXPECT_EQ(HostCommandFor(1), HostCommand::InspectionB);
    EXPECT_EQ(HostCommandFor(2), HostCommand::CalibrationM);
    EXPECT_EQ(HostCommandFor(3), HostCommand::CalibrationN);
    for (int32_t other : {0, 4, 7, -1, -5, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max()})
        EXPECT_EQ(HostCommandFor(other), HostCommand::InspectionA) << other;
}

// The command each value runs, seen in the command text it leaves.
TEST(HostCommand, EveryValueRunsItsCommand) {
    for (int32_t value : kCommandValues) {
        HostStation s({1, 0, 0, 0, 0});
        s.Function(value);
        EXPECT_EQ(TheCommandTexts().command.Get(), CommandTextFor(value)) << value;
    }
}

// A failed command of every kind: the inspections are counted as NG, get a
// row in the NG list and a line in the day's NG log; the calibrations leave
// counters, lists and log alone.
TEST(HostCommand, OnlyInspectionsAreBooked) {
    for (int32_t value : kCommandValues) {
        HostStation s({1, 0, 0, 0, 0}); // the gauge finds no drill
        const auto& m = s.station->params().material;
        const int32_t r = s.Function(value);
        EXPECT_EQ(r, result::kImageError) << value;
        const std::string command = CommandTextFor(value);
        const bool inspection = command == "@A*" || command == "@B*";
        EXPECT_EQ(m.NgCount, inspection ? 1 : 0) << value;
        EXPECT_EQ(m.OkCount, 0) << value;
        EXPECT_TRUE(s.booked.okRows.empty()) << value;
        EXPECT_TRUE(s.station->okList().rows().empty()) << value;
        ASSERT_EQ(s.booked.ngRows.size(), inspection ? 1u : 0u) << value;
        ASSERT_EQ(s.station->ngList().rows().size(), inspection ? 1u : 0u) << value;
        EXPECT_EQ(s.booked.statistics, inspection ? 1 : 0) << value;
        if (inspection) {
            // Serial, the inspection, the result code, then the values.
            const auto& row = s.booked.ngRows[0];
            ASSERT_GE(row.size(), 3u);
            EXPECT_EQ(row[0], "000001") << value;
            EXPECT_EQ(row[1], command) << value;
            EXPECT_EQ(row[2], "-1") << value;
            EXPECT_GT(s.NgLogBytes(), 0u) << value;
        } else {
            EXPECT_EQ(s.NgLogBytes(), 0u) << value;
        }
        EXPECT_TRUE(s.prompts.shown.empty()) << value;
    }
}

// A command that succeeds: inspection B books an OK row and counts it;
// inspection A's good result and the calibrations are not booked.
TEST(HostCommand, OnlyInspectionBBooksAGoodResult) {
    for (int32_t value : kCommandValues) {
        HostStation s({0, 20, 20, 50, 30}); // a drill in the picture
        const auto& m = s.station->params().material;
        // No scale and no tolerances: every command measures and passes.
        EXPECT_EQ(s.Function(value), 0) << value;
        const bool okRow = std::string(CommandTextFor(value)) == "@B*";
        EXPECT_EQ(m.OkCount, okRow ? 1 : 0) << value;
        EXPECT_EQ(m.NgCount, 0) << value;
        ASSERT_EQ(s.booked.okRows.size(), okRow ? 1u : 0u) << value;
        EXPECT_EQ(s.station->okList().rows().size(), okRow ? 1u : 0u) << value;
        if (okRow) {
            EXPECT_EQ(s.booked.okRows[0][0], "000001");
        }
        EXPECT_TRUE(s.booked.ngRows.empty()) << value;
        EXPECT_EQ(s.NgLogBytes(), 0u) << value;
    }
}
