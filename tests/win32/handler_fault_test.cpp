// A failure inside a window handler or inside the grab-finished call stays
// inside the station: logged, answered, and the station goes on working.
#include "tests/win32/station_fixture.h"
#include "tests/win32/window_probe.h"

#include "contracts/grabcard_sim.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace testing_station;

namespace {

// 0.02 mm per pixel and 2000 pulses per mm: with the shipped parameter file
// (ring target 0, EdgePosN 0) inspection A answers 40 pulses per pixel of the
// tip's column.
const char* kIni = "[Basic]\r\nInitGrab=0\r\ndShowModal=1\r\nGrabNumber=1\r\nMmPerPixel=0.02\r\n"
                   "[Motion]\r\nPitchX=5\r\nPulseX=10000\r\n";
constexpr double kPulsesPerPixel = 0.02 * 10000 / 5;

class HandlerFaults : public ::testing::Test {
  protected:
    void Open(const char* fault) {
        SetEnvironmentVariableA("VARDEL_TEST_FAULT", fault);
        copy_.WriteFile("Kest.INI", kIni);
        station_ = std::make_unique<Vardel>(copy_.dir());
        ASSERT_EQ(station_->Open(), 0);
        form_ = FindOwnWindow("TMainForm1");
        ASSERT_NE(form_, nullptr);
    }
    void TearDown() override {
        SetEnvironmentVariableA("VARDEL_TEST_FAULT", nullptr);
        if (station_) {
            EXPECT_EQ(station_->Close(), 0);
        }
    }
    // A failure's line in the station's debug output, within the deadline.
    bool Logged(const char* text, DWORD deadlineMs = 3000) {
        return WaitUntil(
            [&] {
                for (const std::string& line : log_.Lines())
                    if (line.find(text) != std::string::npos)
                        return true;
                return false;
            },
            deadlineMs);
    }
    DebugOutput log_;
    StationCopy copy_;
    MessageBoxOperator answers_;
    std::unique_ptr<Vardel> station_;
    HWND form_ = nullptr;
};

} // namespace

TEST_F(HandlerFaults, AFailedRefreshDoesNotStopTheNextOnes) {
    Open("timer");
    // The first refresh fails inside the timer's handler, and says so.
    EXPECT_TRUE(Logged("test fault in the value-panel refresh"));
    station_->Function(0);
    // The later refreshes show the command that ran.
    EXPECT_TRUE(WaitUntil(
        [&] { return TextOf(FindComponent(form_, "ShowB1")).find("@A*") != std::string::npos; },
        3000))
        << TextOf(FindComponent(form_, "ShowB1"));
}

TEST_F(HandlerFaults, AFailedGrabFinishedCallLeavesTheCameraWorking) {
    Open("grab");
    HMODULE camera = GetModuleHandleA(copy_.Path("Grabcard.dll").c_str());
    ASSERT_NE(camera, nullptr);
    auto frames = reinterpret_cast<GrabcardSimFrameCountFn>(
        reinterpret_cast<void*>(GetProcAddress(camera, "GrabcardSimFrameCount")));
    auto truthOf = reinterpret_cast<GrabcardSimGetTruthFn>(
        reinterpret_cast<void*>(GetProcAddress(camera, "GrabcardSimGetTruth")));
    ASSERT_NE(frames, nullptr);
    ASSERT_NE(truthOf, nullptr);
    DrillTruth truth{};
    ASSERT_EQ(truthOf(&truth), 0) << "the camera shows the drill scene";
    const int before = frames();
    ChooseMenuItem(form_, 200); // its grab-finished call fails
    EXPECT_TRUE(Logged("grab-finished function"));
    ChooseMenuItem(form_, 201); // live video goes on all the same
    EXPECT_TRUE(WaitUntil([&] { return frames() - before >= 5; }, 5000))
        << frames() - before << " frames";
    ChooseMenuItem(form_, 202);
    // The next inspection grabs and measures the drill where the scene has
    // its tip: the compensation distance in pulses, within half a pixel.
    const int32_t r = station_->Function(0);
    const double expected = truth.tipColumn * kPulsesPerPixel;
    EXPECT_GE(r, 0) << "an inspection that measured";
    EXPECT_NEAR(r, expected, kPulsesPerPixel / 2);
    // The value panels show the inspection and its answer.
    char reply[16];
    std::snprintf(reply, sizeof reply, "@A%04d*", static_cast<int>(r));
    EXPECT_TRUE(WaitUntil(
        [&] { return TextOf(FindComponent(form_, "ShowC1")).find(reply) != std::string::npos; },
        2000))
        << TextOf(FindComponent(form_, "ShowC1")) << " instead of " << reply;
    EXPECT_NE(TextOf(FindComponent(form_, "ShowD")).find("0.000"), std::string::npos);
}
