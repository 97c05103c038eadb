#include "station/commands.h"

#include "imaging/settings.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace station;

namespace {

// The worked example of the station: 0.01 mm per pixel, 100 pulses per mm,
// EdgePosN 300, EdgePosM 200, ring target 0.5 mm, standard length 38.1 mm.
struct CommandsTest : ::testing::Test {
    ParameterSet params;
    StationPaths paths{"C:\\Station"};
    fakes::Files disk;
    fakes::Prompts prompts;
    Cp950 cp950;
    ParameterFiles files{params, paths, disk, prompts, cp950};
    fakes::View view{640, 480};
    fakes::Gauge gauge;
    fakes::Clock clock;
    LastValues last;
    CommandTexts texts;
    Commands commands{{params, files, view, view, gauge, clock, 100.0, 640, 480, 3}, last, texts};

    CommandsTest() {
        CurrentSettings().MmPerPixel = 0.01;
        PublishParameters(&params);
        params.SetDefaults(0);
        auto& st = params.station;
        auto& m = params.material;
        st.EdgePosN = 300;
        st.EdgePosM = 200;
        st.StdLength = 38.1;
        m.OffsetX = 0.5;
        m.RingPosition = st.StdRingPosition = 1.2;
        m.DrillLength = 38.1;
        m.DrillLengthUpTol = 0.05;
        m.DrillLengthLowTol = -0.05;
        m.UpTol = 0.02;
        m.LowTol = -0.02;
        m.DiameterRangeX1 = 320;
        m.Diameter = 0.5; // 50 pixels
        m.DiameterUpTol = 0.01;
        m.DiameterLowTol = -0.01;
    }
    ~CommandsTest() override {
        CurrentSettings() = Settings{};
        PublishParameters(nullptr);
    }
    // The gauge finds the tip at column p with the given height.
    void At(double p, double height = 50) { gauge.script = {{0, p, 200, p + 30, 200 + height}}; }
};

} // namespace

TEST_F(CommandsTest, InspectionAWithALengthFailureAndTheBAfterIt) {
    At(280);
    EXPECT_EQ(commands.InspectA(), 30);
    EXPECT_EQ(texts.command.Get(), "@A*");
    EXPECT_EQ(texts.reply.Get(), "@A0030*");
    EXPECT_NEAR(last.offset, 0.3, 1e-12);
    EXPECT_NEAR(last.length, 37.3, 1e-12);
    EXPECT_EQ(last.pending, -3.0);
    // B returns A's verdict, twice, without touching the values.
    At(250);
    EXPECT_EQ(commands.InspectB(), -3);
    EXPECT_EQ(texts.reply.Get(), "@NGBB* (-3)");
    EXPECT_NEAR(last.offset, 0.3, 1e-12);
    EXPECT_EQ(commands.InspectB(), -3);
    // A failed measurement keeps the pending verdict for the next B.
    gauge.script = {{1, 0, 0, 0, 0}};
    EXPECT_EQ(commands.InspectA(), -1);
    EXPECT_EQ(texts.reply.Get(), "@NGAA* (-1)");
    At(250);
    EXPECT_EQ(commands.InspectB(), -3);
}

TEST_F(CommandsTest, NegativeCompensationIsReportedButNotJudged) {
    At(200);
    EXPECT_EQ(commands.InspectA(), -50);
    EXPECT_EQ(texts.reply.Get(), "@NGAA* (-50)");
    EXPECT_EQ(last.pending, 0.0);
    EXPECT_NEAR(last.offset, -0.5, 1e-12);
}

TEST_F(CommandsTest, GoodDrillThenRingChecks) {
    params.station.EdgePosM = 350;
    At(350);
    EXPECT_EQ(commands.InspectA(), 100);
    EXPECT_EQ(texts.reply.Get(), "@A0100*");
    EXPECT_NEAR(last.length, 38.1, 1e-12);
    EXPECT_EQ(last.pending, 0.0);
    At(250);
    EXPECT_EQ(commands.InspectB(), 0);
    EXPECT_EQ(texts.reply.Get(), "@OKBB*");
    EXPECT_NEAR(last.offset, 1.2, 1e-12);
    At(247);
    EXPECT_EQ(commands.InspectB(), -2);
    EXPECT_EQ(texts.reply.Get(), "@NGBB* (-2)");
}

TEST_F(CommandsTest, LengthJudgedInWholeMicrometres) {
    EXPECT_TRUE(WithinTolerance(38.1504, 38.1, 0.05, -0.05));
    EXPECT_FALSE(WithinTolerance(38.1506, 38.1, 0.05, -0.05));
    EXPECT_TRUE(WithinTolerance(38.0496, 38.1, 0.05, -0.05));
    EXPECT_FALSE(WithinTolerance(38.0494, 38.1, 0.05, -0.05));
    EXPECT_FALSE(WithinTolerance(std::nan(""), 38.1, 0.05, -0.05));
}

TEST_F(CommandsTest, DiameterIsJudgedByTheInspectionThatMeasuresIt) {
    auto& m = params.material;
    params.station.EdgePosM = 350;
    // Green line clear: B cuts at DiameterRangeX1 with the second pass and
    // judges the diameter (0.6 mm measured), A does not.
    At(350, 60);
    EXPECT_EQ(commands.InspectA(), 100);
    EXPECT_EQ(last.pending, 0.0);
    At(250, 60);
    EXPECT_EQ(commands.InspectB(), -4);
    EXPECT_NEAR(last.diameter, 0.6, 1e-12);
    // A ring error takes precedence over the diameter.
    At(247, 60);
    EXPECT_EQ(commands.InspectB(), -2);
    // Green line set: A judges and B passes it on.
    m.DiameterAtGreenLine = 1;
    At(350, 60);
    EXPECT_EQ(commands.InspectA(), 100);
    EXPECT_EQ(last.pending, -4.0);
    At(250, 50);
    EXPECT_EQ(commands.InspectB(), -4);
    At(350, 50);
    EXPECT_EQ(commands.InspectA(), 100);
    At(250, 50);
    EXPECT_EQ(commands.InspectB(), 0);
}

TEST_F(CommandsTest, CutColumnsFollowTheGreenLineSetting) {
    At(350);
    params.station.EdgePosM = 350;
    commands.InspectA();
    EXPECT_EQ(view.Measured(635, 0), 255); // W - 5
    EXPECT_NE(view.Measured(320, 0), 255);
    // The cut is the measurement's own: the picture in the camera's memory
    // stays as it was, and the next command's picture has no cut of this one.
    EXPECT_EQ(view.At(635, 0), 200);
    commands.InspectB();
    EXPECT_EQ(view.Measured(320, 0), 255); // DiameterRangeX1
    EXPECT_NE(view.Measured(635, 0), 255);
    EXPECT_EQ(view.At(320, 0), 200);
}

TEST_F(CommandsTest, CalibrationsSetTheScale) {
    params.station.MoveX = 5;
    At(200);
    EXPECT_EQ(commands.CalibrateM(), 500);
    EXPECT_EQ(texts.reply.Get(), "@M0500*");
    EXPECT_EQ(gauge.calls, 12);
    EXPECT_EQ(params.station.EdgePosM, 200);
    EXPECT_TRUE(disk.files.empty()); // M does not save
    params.station.StdDiameter = 1.0;
    At(700, 80);
    EXPECT_EQ(commands.CalibrateN(), 0);
    EXPECT_EQ(texts.reply.Get(), "@OKNN*");
    EXPECT_DOUBLE_EQ(params.station.CalMmPerPixel, 0.01);
    EXPECT_DOUBLE_EQ(params.station.DiameterMmPerPixel[1], 1.0 / 80);
    EXPECT_EQ(disk.files.count("C:\\Station\\Kest.cfg"), 1u);
    params.station.StdDiameter = 1.0001;
    At(700, 80);
    commands.CalibrateN();
    EXPECT_DOUBLE_EQ(params.station.DiameterMmPerPixel[2], 1.0001 / 80);
}

TEST_F(CommandsTest, CalibrationNRefusesCoincidentPositionsAndNoHeight) {
    params.station.MoveX = 5;
    params.station.CalMmPerPixel = 0.02;
    At(200);
    EXPECT_EQ(commands.CalibrateN(), -9);
    EXPECT_EQ(texts.reply.Get(), "@NGNN* (-9)");
    EXPECT_EQ(params.station.CalMmPerPixel, 0.02);
    EXPECT_TRUE(disk.files.empty());
    params.station.EdgePosN = 300;
    At(700, 0);
    EXPECT_EQ(commands.CalibrateN(), -1);
    EXPECT_EQ(params.station.EdgePosN, 300);
    EXPECT_EQ(params.station.CalMmPerPixel, 0.02);
}

TEST_F(CommandsTest, BaselineAndNoSignal) {
    At(410);
    EXPECT_EQ(commands.SetBaseLine(), 0);
    EXPECT_EQ(texts.command.Get(), "@L*");
    EXPECT_EQ(texts.reply.Get(), "@L0000*");
    EXPECT_EQ(params.station.EdgePosN, 410);
    EXPECT_EQ(disk.files.count("C:\\Station\\Kest.cfg"), 1u);
    last.offset = 7;
    std::memcpy(view.image.data(), kNoSignalMarker, 8);
    EXPECT_EQ(commands.InspectA(), -7);
    EXPECT_EQ(commands.InspectB(), -7);
    EXPECT_EQ(commands.CalibrateM(), -7);
    EXPECT_EQ(commands.CalibrateN(), -7);
    EXPECT_EQ(last.offset, 7.0);
}
