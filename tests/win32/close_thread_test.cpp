// vardelClose from a thread other than the one that opened the station:
// the opener's windows go with the station whether the opener runs its
// message loop, has ended, or neither answers nor ends.
#include "tests/win32/station_fixture.h"

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
        while (opened == 1 && !StationWindowExists())
            Sleep(10);
        Sleep(300);
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
    while (opened == 1)
        Sleep(10);
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
