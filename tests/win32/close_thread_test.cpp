// vardelClose from a thread other than the one that opened the station:
// the opener's windows go with the station whether the opener runs its
// message loop, has ended, or neither answers nor ends.
#include "tests/win32/station_fixture.h"

#include "params/parameter_set.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace testing_station;

namespace {

const char* kIni =
    "[Basic]\r\nInitGrab=0\r\ndShowModal=1\r\n[Motion]\r\nPitchX=5\r\nPulseX=10000\r\n";

class CloseThreads : public ::testing::Test {
  protected:
    void SetUp() override {
        copy_.WriteFile("Kest.INI", kIni);
        station_ = std::make_unique<Vardel>(copy_.dir());
    }
    void TearDown() override { station_->Close(); }
    static bool StationWindowExists() {
        return FindOwnWindow("TMainForm1") != nullptr || FindOwnWindow("TKeyboard2Char") != nullptr;
    }

    StationCopy copy_;
    MessageBoxOperator answers_;
    std::unique_ptr<Vardel> station_;
};

} // namespace

TEST_F(CloseThreads, AnOpenerThatRunsItsLoopClosesItsWindowsForTheCaller) {
    const std::size_t windowsBefore = WindowCount();
    for (int cycle = 0; cycle < 3; ++cycle) {
        std::atomic<int> opened{1};
        std::atomic<bool> stop{false};
        std::thread opener([&] {
            opened = station_->Open();
            // The operator's window is shown, as a host does.
            station_->Dialog(-1);
            while (!stop)
                Pump(20);
        });
        // Open has returned and the operator's window is up.
        ASSERT_TRUE(WaitUntil(
            [&] { return opened != 1 && IsWindowVisible(FindOwnWindow("TMainForm1")); }, 10000))
            << "the opener did not show its window";
        ASSERT_EQ(opened.load(), 0);
        EXPECT_TRUE(StationWindowExists());
        EXPECT_EQ(station_->Close(), 0);
        EXPECT_FALSE(StationWindowExists()) << "cycle " << cycle;
        stop = true;
        opener.join();
    }
    EXPECT_LE(WindowCount(), windowsBefore + 1) << "no window left behind per cycle";
    // The station opens again on this thread.
    ASSERT_EQ(station_->Open(), 0);
    EXPECT_EQ(station_->Close(), 0);
}

TEST_F(CloseThreads, AnOpenerThatHasEndedLeavesTheCloseToTheCaller) {
    std::thread opener([&] { EXPECT_EQ(station_->Open(), 0); });
    opener.join();
    EXPECT_FALSE(StationWindowExists()) << "the system took the ended thread's windows";
    EXPECT_EQ(station_->Close(), 0);
    EXPECT_EQ(station_->Function(0), -1) << "closed";
    ASSERT_EQ(station_->Open(), 0);
    EXPECT_TRUE(StationWindowExists());
    EXPECT_EQ(station_->Close(), 0);
}

TEST_F(CloseThreads, AnOpenerWithoutALoopIsReportedAndTheStationStaysOpen) {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> opened{1};
    std::atomic<int> closedByOpener{1};
    std::thread opener([&] {
        opened = station_->Open();
        WaitForSingleObject(release, INFINITE); // busy elsewhere, no messages
        closedByOpener = station_->Close();
    });
    ASSERT_TRUE(WaitUntil([&] { return opened != 1; }, 10000)) << "Open did not return";
    ASSERT_EQ(opened.load(), 0);
    EXPECT_EQ(station_->Close(), -2);
    EXPECT_GE(station_->GetParametr(0), 0);
    EXPECT_NE(station_->Function(0), -1) << "still open: the host's commands still run";
    SetEvent(release);
    opener.join();
    EXPECT_EQ(closedByOpener.load(), 0);
    EXPECT_FALSE(StationWindowExists());
    CloseHandle(release);
}

// A host thread asks for inspections and the push distance without pause
// while the opening thread closes the station and opens it again: a call
// that arrives during the close or after it answers "not open" (-1, 0), one
// inside finishes before the station goes, and the host process lives.
TEST_F(CloseThreads, HostCallsWhileTheOpenerClosesAndReopensFindAWholeStationOrNone) {
    copy_.WriteFile("Kest.cfg", [] {
        station::ParameterSet p;
        p.SetDefaults(1);
        p.station.InitMoveX = 2.5; // 2.5 mm x 2000 pulses per mm
        const std::vector<uint8_t> bytes = station::EncodeParameterFile(p);
        return std::string(bytes.begin(), bytes.end());
    }());
    constexpr int32_t kOpenPush = 5000;
    constexpr int kCycles = 80;
    std::atomic<bool> stop{false};
    std::atomic<int> commands{0}, whileOpen{0}, closedAnswers{0}, oddAnswers{0};
    std::thread host([&] {
        for (int i = 0; !stop; ++i) {
            const int32_t r = station_->Function(i % 2 ? 7 : 0);
            const int32_t push = station_->GetParametr(0);
            ++commands;
            if (push == kOpenPush)
                ++whileOpen;
            else if (push == 0 && r == -1)
                ++closedAnswers;
            // Every answer is a result code of the interface.
            if (push != 0 && push != kOpenPush)
                ++oddAnswers;
            if (r < -9 || r == -5 || r == -8)
                ++oddAnswers;
            if (i % 64 == 0)
                station_->Callback(nullptr);
        }
    });
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        ASSERT_EQ(station_->Open(), 0) << cycle;
        // Let the host in now and then, with the window's messages answered.
        const int before = commands.load();
        for (int k = 0; k < 50 && commands.load() == before; ++k)
            Pump(2);
        ASSERT_EQ(station_->Close(), 0) << cycle;
    }
    stop = true;
    host.join();
    EXPECT_EQ(oddAnswers.load(), 0);
    EXPECT_GT(whileOpen.load(), kCycles / 4) << "the host hardly ever met an open station";
    EXPECT_GT(closedAnswers.load(), 0) << "no call ever met a closed station";
}

// A modal show asked by a host thread returns when the window's thread
// stops answering, instead of waiting for ever; the station is still there.
TEST_F(CloseThreads, AModalShowReturnsWhenTheWindowThreadHangs) {
    copy_.WriteFile("Kest.INI", "[Basic]\r\nInitGrab=0\r\ndShowModal=0\r\n");
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> opened{1}, closedByOpener{1};
    std::atomic<bool> hang{false};
    std::thread opener([&] {
        opened = station_->Open();
        while (!hang)
            Pump(10);
        WaitForSingleObject(release, INFINITE); // hangs: no messages answered
        closedByOpener = station_->Close();
    });
    ASSERT_TRUE(WaitUntil([&] { return opened != 1; }, 10000)) << "Open did not return";
    ASSERT_EQ(opened.load(), 0);
    std::atomic<int> shown{1};
    std::thread asker([&] { shown = station_->Dialog(-1); });
    // The window appears; then its thread stops answering.
    EXPECT_TRUE(
        WaitUntil([] { return IsWindowVisible(FindOwnWindow("TMainForm1")) != FALSE; }, 5000));
    EXPECT_EQ(shown.load(), 1) << "a modal show returned while the window was up";
    hang = true;
    asker.join(); // returns: the hung thread is found out
    EXPECT_EQ(shown.load(), -2);
    SetEvent(release);
    opener.join();
    EXPECT_EQ(closedByOpener.load(), 0);
    CloseHandle(release);
}
