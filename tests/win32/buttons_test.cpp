// The window's inspection and calibration buttons through the real station:
// the host hears of the move first, the command runs without being booked,
// and the operator's rights decide which buttons there are.
#include "tests/win32/station_fixture.h"
#include "tests/win32/window_probe.h"

#include "contracts/grabcard_sim.h"
#include "params/parameter_set.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

using namespace testing_station;

namespace {

// Control identifiers of rightISetup1, rightISetup2, rightCSetup1,
// rightCSetup2 and BaseLine1 in the station's window.
constexpr const char* kButtons[5] = {"rightISetup1", "rightISetup2", "rightCSetup1", "rightCSetup2",
                                     "BaseLine1"};

const char* kIni = "[Basic]\r\nInitGrab=0\r\nMmPerPixel=0.01\r\ndShowModal=1\r\nGrabNumber=2\r\n"
                   "[Motion]\r\nPitchX=5\r\nPulseX=10000\r\n"; // 2000 pulses per mm

std::string ParameterFile(uint32_t rights) {
    station::ParameterSet p;
    p.SetDefaults(1);
    p.station.InitMoveX = 2.5;
    p.station.MoveX = 1.2;
    p.station.EdgePosM = 80;
    p.station.EdgePosN = 130;
    p.op.OperatorRights = rights;
    const std::vector<uint8_t> bytes = station::EncodeParameterFile(p);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::pair<int32_t, int32_t>> gHeard;

void __stdcall Heard(int32_t button, int32_t pulses) {
    gHeard.emplace_back(button, pulses);
}

class Buttons : public ::testing::Test {
  protected:
    void Open(uint32_t rights) {
        copy_.WriteFile("Kest.INI", kIni);
        copy_.WriteFile("Kest.cfg", ParameterFile(rights));
        // A noiseless picture: every measurement of the drill gives one answer.
        copy_.WriteFile("Grabcard.ini", "[Scene]\r\nNoiseSigma=0\r\n");
        station_ = std::make_unique<Vardel>(copy_.dir());
        ASSERT_EQ(station_->Open(), 0);
        ASSERT_EQ(station_->Dialog(-1), 0);
        window_ = FindOwnWindow("TMainForm1");
        ASSERT_NE(window_, nullptr);
        // The camera of this station folder, held while the test looks at it.
        if (camera_)
            FreeLibrary(camera_);
        camera_ = LoadLibraryA(copy_.Path("Grabcard.dll").c_str());
        ASSERT_NE(camera_, nullptr);
        frames_ = reinterpret_cast<GrabcardSimFrameCountFn>(
            reinterpret_cast<void*>(GetProcAddress(camera_, "GrabcardSimFrameCount")));
        ASSERT_NE(frames_, nullptr);
        gHeard.clear();
    }
    void TearDown() override {
        if (station_) {
            station_->Callback(nullptr);
            station_->Close();
        }
        if (camera_)
            FreeLibrary(camera_);
    }
    HWND Button(int i) const { return FindComponent(window_, kButtons[i]); }
    // The operator touches the button (also a hidden one: its handler runs).
    void Click(int i) const { testing_station::Click(Button(i)); }
    std::vector<uint8_t> SavedParameterFile() {
        station_->Close();
        std::ifstream in(copy_.Path("Kest.cfg"), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    StationCopy copy_;
    MessageBoxOperator answers_;
    std::unique_ptr<Vardel> station_;
    HWND window_ = nullptr;
    HMODULE camera_ = nullptr;
    GrabcardSimFrameCountFn frames_ = nullptr;
};

} // namespace

TEST_F(Buttons, HostHearsTheButtonAndItsMoveBeforeTheCommandRuns) {
    Open(0x100);
    station_->Callback(&Heard);
    const int32_t before = frames_();
    Click(0); // inspection A: InitMoveX 2.5 mm
    Click(2); // calibration M: InitMoveX
    Click(3); // calibration N: MoveX 1.2 mm
    const std::vector<std::pair<int32_t, int32_t>> expected = {{0, 5000}, {2, 5000}, {3, 2400}};
    EXPECT_EQ(gHeard, expected);
    // A grabs GrabNumber pictures, M and N twelve each.
    EXPECT_EQ(frames_() - before, 2 + 12 + 12);
}

TEST_F(Buttons, InspectionBMovesByTheOffsetThatInspectionALeft) {
    Open(0x100);
    station_->Callback(&Heard);
    // The drill's tip near column 80, EdgePosN 130, 0.01 mm a pixel: A's
    // compensation is -0.5 mm, and B then moves by that offset.
    Click(0);
    Click(1);
    ASSERT_EQ(gHeard.size(), 2u);
    EXPECT_EQ(gHeard[1].first, 1);
    EXPECT_NEAR(gHeard[1].second, -1000, 4);
}

TEST_F(Buttons, WithoutANotificationTheCommandStillRuns) {
    Open(0x100);
    station_->Callback(&Heard);
    Click(0);
    station_->Callback(nullptr);
    const int32_t before = frames_();
    Click(0);
    Click(3);
    EXPECT_EQ(gHeard.size(), 1u);
    EXPECT_EQ(frames_() - before, 2 + 12);
}

// A host that closes the station from within the notification of a button
// (the window's own thread, inside the button's handler) is told "not now"
// (-2): the button's command still runs on a whole station, and the close
// that follows the handler closes it.
testing_station::Vardel* gClosingHost = nullptr;
std::vector<int32_t> gCloseAnswers;
void __stdcall CloseFromTheNotification(int32_t, int32_t) {
    gCloseAnswers.push_back(gClosingHost->Close());
}

TEST_F(Buttons, ACloseFromWithinAButtonsNotificationIsRefusedAndTheCommandRuns) {
    Open(0x100);
    gClosingHost = station_.get();
    gCloseAnswers.clear();
    station_->Callback(&CloseFromTheNotification);
    const int32_t before = frames_();
    Click(0);
    EXPECT_EQ(gCloseAnswers, std::vector<int32_t>{-2});
    EXPECT_EQ(frames_() - before, 2) << "the inspection ran after the refused close";
    EXPECT_TRUE(IsWindow(window_));
    // Still open: inspection A answers the drill's compensation of -0.5 mm.
    EXPECT_NEAR(station_->Function(0), -1000, 4);
    station_->Callback(nullptr);
    EXPECT_EQ(station_->Close(), 0);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(station_->Function(0), -1) << "closed now";
}

TEST_F(Buttons, ButtonCommandsAreNotBooked) {
    Open(0x100);
    for (int i = 0; i < 3; ++i) {
        Click(0);
        Click(1);
    }
    const auto cfg = SavedParameterFile();
    ASSERT_EQ(cfg.size(), 3308u);
    int32_t ok = -1, ng = -1;
    std::memcpy(&ok, &cfg[2004], 4);
    std::memcpy(&ng, &cfg[2008], 4);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(ng, 0);
}

TEST_F(Buttons, RightsDecideWhichButtonsAreThere) {
    Open(0);
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(Button(i), nullptr);
        EXPECT_FALSE(Shown(Button(i))) << i;
    }
    station_->Close();
    Open(0x100);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(Shown(Button(i))) << i;
    EXPECT_FALSE(Shown(Button(4))) << "the baseline button stays hidden";
}

TEST_F(Buttons, ButtonsAndHostCommandsTakeTurnsAtTheImage) {
    Open(0x100);
    const int32_t expected = station_->Function(0);
    std::atomic<bool> done{false};
    std::atomic<int> mismatches{0};
    std::thread host([&] {
        for (int i = 0; i < 60; ++i)
            if (station_->Function(0) != expected)
                ++mismatches;
        done = true;
    });
    int clicks = 0;
    while (!done) {
        Click(clicks++ % 2 ? 2 : 0);
        Pump(1);
    }
    host.join();
    EXPECT_GT(clicks, 0);
    EXPECT_EQ(mismatches, 0);
}
