// A failure inside a window handler or inside the grab-finished call stays
// inside the station: logged, answered, and the station goes on working.
#include "tests/win32/station_fixture.h"
#include "tests/win32/window_probe.h"

#include "contracts/grabcard_sim.h"

#include <gtest/gtest.h>

#include <memory>

using namespace testing_station;

namespace {

const char* kIni = "[Basic]\r\nInitGrab=0\r\ndShowModal=1\r\nGrabNumber=1\r\n[Motion]\r\nPitchX="
                   "5\r\nPulseX=10000\r\n";

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
    StationCopy copy_;
    MessageBoxOperator answers_;
    std::unique_ptr<Vardel> station_;
    HWND form_ = nullptr;
};

} // namespace

TEST_F(HandlerFaults, AFailedRefreshDoesNotStopTheNextOnes) {
    Open("timer");
    Pump(200); // the first refresh fails inside the timer's handler
    station_->Function(0);
    Pump(200);
    // The later refreshes show the command that ran.
    EXPECT_NE(TextOf(FindComponent(form_, "ShowB1")).find("@A*"), std::string::npos)
        << TextOf(FindComponent(form_, "ShowB1"));
}

TEST_F(HandlerFaults, AFailedGrabFinishedCallLeavesTheCameraWorking) {
    Open("grab");
    HMODULE camera = GetModuleHandleA(copy_.Path("Grabcard.dll").c_str());
    ASSERT_NE(camera, nullptr);
    auto frames = reinterpret_cast<GrabcardSimFrameCountFn>(
        reinterpret_cast<void*>(GetProcAddress(camera, "GrabcardSimFrameCount")));
    ASSERT_NE(frames, nullptr);
    const int before = frames();
    ChooseMenuItem(form_, 200); // its grab-finished call fails
    ChooseMenuItem(form_, 201); // live video goes on all the same
    Pump(500);
    ChooseMenuItem(form_, 202);
    EXPECT_GE(frames() - before, 5);
    EXPECT_GE(station_->Function(0), -1);
    EXPECT_NE(TextOf(FindComponent(form_, "ShowD")).find("0.000"), std::string::npos);
}
