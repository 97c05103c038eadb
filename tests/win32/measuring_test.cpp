// Calibrating and inspecting through the real station with the simulated
// camera and the real edge gauge.
#include "tests/win32/measuring_recipe.h"
#include "tests/win32/station_fixture.h"

#include "common/drill_placement.h"
#include "contracts/grabcard_sim.h"
#include "params/parameter_set.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <utility>

using namespace testing_station;

namespace {

using Measuring = MeasuringStation;

// Rows of today's NG log with the code -7, of inspection A and of B.
std::pair<std::size_t, std::size_t> NgLogRows() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char path[64];
    wsprintfA(path, "C:\\Debug\\NG-%04u%02u%02u.txt", t.wYear, t.wMonth, t.wDay);
    std::ifstream in(path, std::ios::binary);
    const std::string log{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + 1))
            ++n;
        return n;
    };
    return {count("  @A*      -7        "), count("  @B*      -7        ")};
}

} // namespace

TEST_F(Measuring, CompensationIsTheTrueDistanceToWithinOnePulse) {
    Calibrate();
    const double columnN = kColumnM - kMoveX / kMmPerPixel;
    for (double tip : {330.0, 321.37, 315.5, 300.25, 344.8}) {
        Show(tip, 38.1 - (tip - kColumnM) * kMmPerPixel);
        const double distance = 0.5 - (columnN - tip) * kMmPerPixel;
        const int32_t expected = static_cast<int32_t>(std::lround(distance * kPulsesPerMm));
        const int32_t a = station_->Function(0);
        EXPECT_LE(std::abs(a - expected), 1) << "tip " << tip;
    }
    EXPECT_TRUE(answers_.Texts().empty());
}

TEST_F(Measuring, DrillsOutsideTheirTolerancesAreRejected) {
    Calibrate();
    const double target = kColumnM - kMoveX / kMmPerPixel - 0.5 / kMmPerPixel;
    // A good drill, pressed right: OK.
    Show(kColumnM);
    EXPECT_GE(station_->Function(0), 0);
    Show(target, 38.1, 0.3, 4.5);
    EXPECT_EQ(station_->Function(1), 0);
    // 0.08 mm too long: its tip comes 8 pixels early; B reports the length.
    Show(kColumnM - 8, 38.18);
    EXPECT_GE(station_->Function(0), 0);
    Show(target, 38.18, 0.3, 4.5);
    EXPECT_EQ(station_->Function(1), -3);
    // A diameter 0.02 mm too large: B's own check.
    Show(kColumnM);
    EXPECT_GE(station_->Function(0), 0);
    Show(target, 38.1, 0.32, 4.5);
    EXPECT_EQ(station_->Function(1), -4);
    // The ring pressed 0.05 mm too deep: the tip stands 5 pixels off.
    Show(kColumnM);
    EXPECT_GE(station_->Function(0), 0);
    Show(target - 5, 38.1, 0.3, 4.55);
    EXPECT_EQ(station_->Function(1), -2);
}

TEST_F(Measuring, NoSignalIsReportedByEveryCommand) {
    HMODULE grab = GetModuleHandleA(copy_.Path("Grabcard.dll").c_str());
    auto setSource = reinterpret_cast<GrabcardSimSetSourceFn>(
        reinterpret_cast<void*>(GetProcAddress(grab, "GrabcardSimSetSource")));
    ASSERT_NE(setSource, nullptr);
    ASSERT_EQ(setSource(GrabcardSourceNoSignal), 0);
    const auto rowsBefore = NgLogRows();
    for (int command : {0, 1, 2, 3})
        EXPECT_EQ(station_->Function(command), -7) << command;
    setSource(GrabcardSourceScene);
    Pump(300);
    // The NG log of the day got the two inspections, not the calibrations.
    const auto rowsAfter = NgLogRows();
    EXPECT_EQ(rowsAfter.first, rowsBefore.first + 1);   // inspection A
    EXPECT_EQ(rowsAfter.second, rowsBefore.second + 1); // inspection B
    EXPECT_TRUE(answers_.Texts().empty());
}
