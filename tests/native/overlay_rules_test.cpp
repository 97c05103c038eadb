#include "imaging/overlay_rules.h"

#include "imaging/settings.h"
#include "params/parameter_set.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

using namespace station;

namespace {

class OverlayRules : public ::testing::Test {
  protected:
    void SetUp() override {
        params_.SetDefaults(0);
        params_.station.CalMmPerPixel = 0.02;
        params_.station.StdRingPosition = 4.0;
        params_.material.RingPosition = 4.0;
        PublishParameters(&params_);
        CurrentSettings().MmPerPixel = -1; // the calibrated scale
    }
    void TearDown() override { PublishParameters(nullptr); }
    ParameterSet params_;
};

} // namespace

TEST_F(OverlayRules, LinesLieAtTheirColumns) {
    struct Case {
        double edgeM, edgeN, ringPosition, offsetX, zoom;
        int32_t wantM, wantRing;
    };
    const Case cases[] = {
        {12.5, 300, 4.0, 0.0, 1.0, 13, 300}, // halves away from zero
        {12.4, 300, 4.0, 0.0, 1.0, 12, 300},      {-12.5, 300, 4.0, 0.0, 1.0, -13, 300},
        {200, 300, 4.5, 0.0, 1.0, 200, 275},      // 0.5 mm = 25 px left of N
        {200, 300, 4.0, -0.1, 1.0, 200, 305},     // a negative offset moves it right
        {640, 1000, 4.0, 0.0, 0.46875, 300, 469}, // zoomed: 468.75 rounds up
    };
    for (const Case& c : cases) {
        params_.station.EdgePosM = c.edgeM;
        params_.station.EdgePosN = c.edgeN;
        params_.material.RingPosition = c.ringPosition;
        params_.material.OffsetX = c.offsetX;
        params_.material.DiameterRangeX1 = 17;
        params_.material.DiameterRangeX2 = 23;
        const ReferenceLines l = ComputeReferenceLines(params_.station, params_.material, c.zoom);
        EXPECT_EQ(l.edgeM, c.wantM) << c.edgeM;
        EXPECT_EQ(l.ring, c.wantRing) << c.edgeN << " " << c.ringPosition << " " << c.offsetX;
        // The range lines are view columns: no zoom.
        EXPECT_EQ(l.rangeX1, 17);
        EXPECT_EQ(l.rangeX2, 23);
    }
}

TEST_F(OverlayRules, WithoutAScaleTheRingLineStaysAtN) {
    params_.station.CalMmPerPixel = 0;
    params_.station.EdgePosN = 321;
    params_.material.RingPosition = 4.7;
    EXPECT_EQ(ComputeReferenceLines(params_.station, params_.material, 1.0).ring, 321);
}

TEST_F(OverlayRules, TextsShowTheStandardLengthAndTheRingDepth) {
    params_.station.StdLength = 38.1;
    params_.station.StdRingPosition = 4.0;
    params_.material.RingPosition = 4.56789;
    const ReferenceLines l = ComputeReferenceLines(params_.station, params_.material, 1.0);
    EXPECT_EQ(l.lengthText, "38.1000");
    EXPECT_EQ(l.ringText, "4.5679");
    EXPECT_EQ(RingCaption("Ring:", params_.station, params_.material), "Ring: 4.568");
    EXPECT_EQ(RingCaption("", params_.station, params_.material), " 4.568");
    // Values far outside any picture still make bounded texts.
    params_.station.StdLength = 1e300;
    EXPECT_LT(ComputeReferenceLines(params_.station, params_.material, 1.0).lengthText.size(), 64u);
}

TEST(FrameCounter, FiveZerosThenFiveOnesAndRoundAgain) {
    FrameCounter c;
    std::vector<int32_t> shown;
    for (int i = 0; i < 21; ++i)
        shown.push_back(c.Next());
    const std::vector<int32_t> want = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 0,
                                       0, 0, 0, 0, 1, 1, 1, 1, 1, 0};
    EXPECT_EQ(shown, want);
    EXPECT_EQ(c.value(), 1);
}

TEST(FrameCounter, TwoThreadsNeverLoseOrRepeatAStep) {
    FrameCounter c;
    std::vector<int32_t> a, b;
    std::thread t1([&] {
        for (int i = 0; i < 5000; ++i)
            a.push_back(c.Next());
    });
    std::thread t2([&] {
        for (int i = 0; i < 5000; ++i)
            b.push_back(c.Next());
    });
    t1.join();
    t2.join();
    // 10 000 steps of a cycle of ten: back where it started, and every
    // digit shown exactly half of the time.
    EXPECT_EQ(c.value(), 0);
    std::size_t ones = 0;
    for (int32_t v : a)
        ones += v;
    for (int32_t v : b)
        ones += v;
    EXPECT_EQ(ones, 5000u);
}
