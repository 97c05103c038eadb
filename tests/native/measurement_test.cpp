#include "station/measurement.h"

#include "station/last_values.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace station;
using Answer = fakes::Gauge::Answer;

namespace {

struct Cycle : ::testing::Test {
    fakes::View view{64, 48};
    fakes::Gauge gauge;
    fakes::Clock clock;
    int32_t grabNumber = 3;
    int32_t rangeX2 = 0;

    Measurement Run(int selector, int32_t c, bool second = false) {
        return MeasureDrill(
            {view, view, gauge, clock, view.width, view.height, grabNumber, rangeX2}, selector, c,
            second);
    }
    int WhiteColumns() const {
        int n = 0;
        for (int x = 0; x < view.width; ++x) {
            bool white = true;
            for (int y = 0; y < view.height; ++y)
                white = white && view.Measured(x, y) == 255;
            n += white;
        }
        return n;
    }
    void TearDown() override { RingMarkerColumn() = 0; }
};

} // namespace

TEST_F(Cycle, AveragesTheEdgePointsOverThePictures) {
    gauge.script = {{0, 100, 40, 110, 60}, {0, 101, 41, 111, 61}, {0, 102, 42, 112, 62}};
    const Measurement m = Run(0, 59);
    EXPECT_EQ(m.status, 0);
    EXPECT_DOUBLE_EQ(m.position, 101.0);
    EXPECT_DOUBLE_EQ(m.height, 20.0);
    EXPECT_EQ(view.grabs, 3);
    EXPECT_EQ(clock.waitedMs, 30);
    EXPECT_EQ(view.line, (std::vector<double>{101, 41, 111, 61}));
}

TEST_F(Cycle, CalibrationsTakeTwelvePicturesAndInspectionsAtLeastOne) {
    gauge.script = {{0, 5, 5, 6, 9}};
    EXPECT_EQ(Run(1, 59).status, 0);
    EXPECT_EQ(view.grabs, 12);
    grabNumber = 0; // a missing setting still measures one picture
    view.grabs = 0;
    EXPECT_EQ(Run(0, 59).status, 0);
    EXPECT_EQ(view.grabs, 1);
}

TEST_F(Cycle, TheCutIsTwoColumnsKeptInsideTheImage) {
    gauge.script = {{0, 5, 5, 6, 9}};
    grabNumber = 1;
    Run(0, 0);
    EXPECT_EQ(WhiteColumns(), 1);
    EXPECT_EQ(view.Measured(0, 47), 255);
    Run(0, view.width - 1);
    EXPECT_EQ(WhiteColumns(), 1);
    EXPECT_EQ(view.Measured(view.width - 2, 0), 255);
    EXPECT_EQ(view.Measured(view.width - 1, 0), 200);
    Run(0, view.width - 5);
    EXPECT_EQ(WhiteColumns(), 2);
    EXPECT_EQ(view.Measured(view.width - 6, 10), 255);
    EXPECT_EQ(view.Measured(view.width - 5, 10), 255);
    Run(0, 500); // far outside: nothing to whiten
    Run(0, -7);
    EXPECT_EQ(WhiteColumns(), 0);
    // Each cut was made in the measurement's copy: the image memory holds
    // none of them.
    for (int32_t x : {0, view.width - 6, view.width - 5, view.width - 2})
        EXPECT_EQ(view.At(x, 10), 200) << x;
}

TEST_F(Cycle, NoSignalMarkerOnlyAtTheStartOfTheImage) {
    gauge.script = {{0, 5, 5, 6, 9}};
    std::memcpy(view.image.data(), kNoSignalMarker, 8);
    EXPECT_EQ(Run(0, 59).status, -7);
    EXPECT_EQ(gauge.calls, 0);
    EXPECT_EQ(view.grabs, 1);
    view.image.assign(view.image.size(), 200);
    std::memcpy(view.image.data() + 100, kNoSignalMarker, 8);
    EXPECT_EQ(Run(0, 59).status, 0);
    // A cut at column 3 whitens bytes of the marker and hides it.
    std::memcpy(view.image.data(), kNoSignalMarker, 8);
    EXPECT_EQ(Run(0, 3).status, 0);
}

TEST_F(Cycle, GaugeFailuresAndNegativeFirstPoints) {
    gauge.script = {{1, 5, 5, 6, 9}};
    EXPECT_EQ(Run(0, 59).status, -1);
    gauge = {};
    gauge.script = {{0, -0.5, 5, 6, 9}};
    EXPECT_EQ(Run(0, 59).status, -6);
    gauge = {};
    gauge.script = {{0, 5, 5, -3, 9}};
    EXPECT_EQ(Run(0, 59).status, 0);
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    for (Answer a : {Answer{0, nan, 5, 6, 9}, Answer{0, 5, nan, 6, 9}, Answer{0, 5, 5, 6, nan},
                     Answer{0, 5, 5, inf, 9}}) {
        gauge = {};
        gauge.script = {a};
        EXPECT_EQ(Run(0, 59).status, -6);
    }
}

TEST_F(Cycle, SecondPassLaysBandsAndTakesTheNewRows) {
    RingMarkerColumn() = 20;
    rangeX2 = 30;
    grabNumber = 1;
    gauge.script = {{0, 10, 12.7, 40, 30.2}, {0, 11, 14, 41, 28}};
    const Measurement m = Run(0, 59, true);
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(gauge.calls, 2);
    EXPECT_DOUBLE_EQ(m.position, 10.0); // the first search's column
    EXPECT_DOUBLE_EQ(m.height, 14.0);   // the second search's rows
    // y1 12.7: rows 2 .. 22; y2 30.2: rows 20 .. 40; columns 20 .. 30.
    EXPECT_EQ(view.Measured(20, 1), 200);
    EXPECT_EQ(view.Measured(20, 2), 255);
    EXPECT_EQ(view.Measured(30, 40), 255);
    EXPECT_EQ(view.Measured(30, 41), 200);
    EXPECT_EQ(view.Measured(31, 10), 200);
    EXPECT_EQ(view.Measured(19, 10), 200);
}

TEST_F(Cycle, BandsStayInsideTheImage) {
    rangeX2 = 100; // beyond the right border: clipped to W - 2
    grabNumber = 1;
    gauge.script = {{0, 10, 9.5, 40, 45.0}, {0, 11, 9.5, 41, 45.0}};
    EXPECT_EQ(Run(0, 59, true).status, 0); // ASan catches any write outside
    EXPECT_EQ(view.Measured(0, 0), 255);         // from row trunc(-0.5) = 0
    EXPECT_EQ(view.Measured(62, 47), 255);
    EXPECT_EQ(view.Measured(63, 47), 200);
    gauge = {};
    gauge.script = {{0, 10, -5, 40, 1e12}, {0, 11, 3, 41, 60}};
    EXPECT_EQ(Run(0, 59, true).status, -6);
}

TEST_F(Cycle, NoSecondPassWhenTheBandWouldNotReachRightOfTheRing) {
    RingMarkerColumn() = 30;
    rangeX2 = 30;
    grabNumber = 1;
    gauge.script = {{0, 10, 12, 40, 30}, {0, 11, 14, 41, 28}};
    const Measurement m = Run(0, 59, true);
    EXPECT_EQ(gauge.calls, 1);
    EXPECT_DOUBLE_EQ(m.height, 18.0);
    gauge = {};
    gauge.script = {{0, 10, 12, 40, 30}, {1, 0, 0, 0, 0}};
    rangeX2 = 31;
    EXPECT_EQ(Run(0, 59, true).status, -1);
    gauge = {};
    gauge.script = {{0, 10, 12, 40, 30}, {0, -1, 14, 41, 28}};
    EXPECT_EQ(Run(0, 59, true).status, -6);
}
