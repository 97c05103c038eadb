// The station's lifecycle through the real vardel.dll and its exports.
#include "tests/win32/station_fixture.h"

#include <gtest/gtest.h>

#include <memory>

using namespace testing_station;

namespace {

std::string Ini(int dShowModal, int initGrab = 0) {
    return "[Basic]\r\nInitGrab=" + std::to_string(initGrab) +
           "\r\nMmPerPixel=-1\r\ndShowModal=" + std::to_string(dShowModal) +
           "\r\nGrabNumber=3\r\n[Motion]\r\nPitchX=5\r\nPulseX=10000\r\n";
}

std::string Title(HWND h) {
    char text[256] = {};
    GetWindowTextA(h, text, sizeof text);
    return text;
}

class Lifecycle : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        copy_ = new StationCopy();
        // A third language that a translator added beside the other two.
        copy_->WriteFile("Language\\test.lng",
                         "[Language]\nIdentifier=2\nName=Test\n[Main]\nSystemName=Third\n");
        station_ = new Vardel(copy_->dir());
    }
    static void TearDownTestSuite() {
        station_->Close();
        delete station_;
        delete copy_;
    }
    void SetUp() override { copy_->WriteFile("Kest.INI", Ini(1)); }
    void TearDown() override { station_->Close(); }

    static StationCopy* copy_;
    static Vardel* station_;
    MessageBoxOperator operator_;
};

StationCopy* Lifecycle::copy_ = nullptr;
Vardel* Lifecycle::station_ = nullptr;

} // namespace

TEST_F(Lifecycle, OpenTwiceKeepsTheWindowAndCloseTwiceIsHarmless) {
    ASSERT_EQ(station_->Open(), 0);
    HWND first = FindOwnWindow("TMainForm1");
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(IsWindowVisible(first)) << "opened hidden";
    EXPECT_EQ(station_->Open(), 0);
    EXPECT_EQ(FindOwnWindow("TMainForm1"), first);
    EXPECT_EQ(station_->Close(), 0);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(station_->Close(), 0);
}

TEST_F(Lifecycle, ClosedStationRefusesTheDialog) {
    EXPECT_EQ(station_->Dialog(-1), -9);
    EXPECT_EQ(station_->Dialog(0), -9);
    EXPECT_EQ(FindOwnWindow("TMainForm1"), nullptr);
}

TEST_F(Lifecycle, WindowHasNoOwnerNoMaximiseNoMoveNoClose) {
    ASSERT_EQ(station_->Open(), 0);
    HWND h = FindOwnWindow("TMainForm1");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetWindow(h, GW_OWNER), nullptr);
    EXPECT_EQ(GetWindowLongA(h, GWL_STYLE) & WS_MAXIMIZEBOX, 0);
    HMENU sys = GetSystemMenu(h, FALSE);
    ASSERT_NE(sys, nullptr);
    EXPECT_EQ(GetMenuState(sys, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_EQ(GetMenuState(sys, SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_NE(GetMenuState(sys, SC_MINIMIZE, MF_BYCOMMAND), static_cast<UINT>(-1));
    // The screen keyboard belongs to the station's window.
    HWND kb = FindOwnWindow("TKeyboard2Char");
    ASSERT_NE(kb, nullptr);
    EXPECT_EQ(GetWindow(kb, GW_OWNER), h);
}

TEST_F(Lifecycle, ModelessDialogReturnsAtOnceWithTheWindowShown) {
    ASSERT_EQ(station_->Open(), 0);
    HWND h = FindOwnWindow("TMainForm1");
    // Should the show wait as a modal one does, the window is closed after
    // a deadline, so that the test ends and the show is found out.
    HANDLE returned = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> closedByWatch{false};
    std::thread watch([&] {
        if (WaitForSingleObject(returned, 10000) == WAIT_TIMEOUT) {
            closedByWatch = true;
            PostMessageA(h, WM_CLOSE, 0, 0);
        }
    });
    EXPECT_EQ(station_->Dialog(-1), 0);
    SetEvent(returned);
    watch.join();
    CloseHandle(returned);
    EXPECT_FALSE(closedByWatch) << "the show waited for its window to be closed";
    EXPECT_TRUE(IsWindowVisible(h));
    // Closing the window only hides it; the station stays open.
    PostMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(h); }, 3000));
    EXPECT_TRUE(IsWindow(h));
    EXPECT_EQ(station_->Dialog(-1), 0);
    EXPECT_TRUE(IsWindowVisible(h));
}

TEST_F(Lifecycle, ModalDialogReturnsOnlyWhenTheWindowIsClosed) {
    for (int mode : {0, 2}) {
        copy_->WriteFile("Kest.INI", Ini(mode));
        ASSERT_EQ(station_->Open(), 0);
        HWND h = FindOwnWindow("TMainForm1");
        std::atomic<bool> wasVisible{false}, returned{false}, returnedWhileShown{false};
        std::thread closer([&] {
            wasVisible = WaitUntil([&] { return IsWindowVisible(h) != FALSE; }, 5000);
            // The window's thread answers again once its show is done; a
            // modal show is then still inside its loop.  Time must pass
            // besides, to show that it does not return while the window is up.
            DWORD_PTR answer = 0;
            SendMessageTimeoutA(h, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
            Sleep(300);
            returnedWhileShown = returned.load();
            PostMessageA(h, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(station_->Dialog(-1), 0);
        returned = true;
        closer.join();
        EXPECT_TRUE(wasVisible) << "dShowModal " << mode;
        EXPECT_FALSE(returnedWhileShown) << "dShowModal " << mode;
        EXPECT_FALSE(IsWindowVisible(h));
        // Still open: a second open keeps the same window.
        EXPECT_EQ(station_->Open(), 0);
        EXPECT_EQ(FindOwnWindow("TMainForm1"), h);
        EXPECT_EQ(station_->Close(), 0);
    }
}

TEST_F(Lifecycle, DialogLanguageIsSetBeforeTheCaptionsOfTheShow) {
    ASSERT_EQ(station_->Open(), 0);
    HWND h = FindOwnWindow("TMainForm1");
    ASSERT_EQ(station_->Dialog(1), 0);
    const std::string english = Title(h);
    EXPECT_EQ(english.rfind("Drill", 0), 0u) << english;
    PostMessageA(h, WM_CLOSE, 0, 0);
    Pump(100);
    // A negative language keeps the one chosen before.
    ASSERT_EQ(station_->Dialog(-1), 0);
    EXPECT_EQ(Title(h), english);
    PostMessageA(h, WM_CLOSE, 0, 0);
    Pump(100);
    ASSERT_EQ(station_->Dialog(2), 0);
    EXPECT_EQ(Title(h), "Third - ");
    PostMessageA(h, WM_CLOSE, 0, 0);
    Pump(100);
    ASSERT_EQ(station_->Dialog(0), 0);
    EXPECT_NE(Title(h), english);
    EXPECT_NE(Title(h), "Third - ");
}

TEST_F(Lifecycle, EveryOtherCommandNumberRunsInspectionA) {
    ASSERT_EQ(station_->Open(), 0);
    const int32_t a = station_->Function(0);
    EXPECT_EQ(station_->Function(7), a);
    EXPECT_EQ(station_->Function(-5), a);
}

TEST_F(Lifecycle, InitialPushIsZeroWithoutAParameterFile) {
    ASSERT_EQ(station_->Open(), 0);
    EXPECT_EQ(station_->GetParametr(0), 0);
}

TEST_F(Lifecycle, CommandsFromAnotherThreadRunUnderTheLock) {
    ASSERT_EQ(station_->Open(), 0);
    const int32_t expected = station_->Function(0);
    std::vector<std::thread> hosts;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < 4; ++t)
        hosts.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i) {
                if (i % 10 == 0)
                    station_->Callback(nullptr);
                if (station_->Function(t == 0 ? 0 : 7) != expected)
                    ++mismatches;
            }
        });
    for (auto& h : hosts)
        h.join();
    EXPECT_EQ(mismatches, 0);
}

TEST_F(Lifecycle, ReopenBuildsANewWindowAndScreenKeyboard) {
    ASSERT_EQ(station_->Open(), 0);
    HWND window = FindOwnWindow("TMainForm1");
    HWND keyboard = FindOwnWindow("TKeyboard2Char");
    ASSERT_NE(keyboard, nullptr);
    ASSERT_EQ(station_->Close(), 0);
    EXPECT_FALSE(IsWindow(keyboard));
    EXPECT_EQ(FindOwnWindow("TKeyboard2Char"), nullptr);
    ASSERT_EQ(station_->Open(), 0);
    HWND keyboard2 = FindOwnWindow("TKeyboard2Char");
    ASSERT_NE(keyboard2, nullptr);
    EXPECT_TRUE(IsWindow(keyboard2));
    EXPECT_EQ(GetWindow(keyboard2, GW_OWNER), FindOwnWindow("TMainForm1"));
    EXPECT_FALSE(IsWindow(window));
}

TEST(LeakCycles, SixtyOpenCloseCyclesLeaveNothingBehind) {
    StationCopy copy;
    copy.WriteFile("Kest.INI", Ini(1, 1));
    MessageBoxOperator answers;
    Vardel station(copy.dir());
    // One cycle first, so what the system sets up once is counted before.
    ASSERT_EQ(station.Open(), 0);
    ASSERT_EQ(station.Dialog(-1), 0);
    station.Close();
    Pump(50);
    const std::size_t windows = WindowCount();
    const unsigned gdi = GdiHighWater();
    const unsigned user = UserHighWater();
    const std::size_t memory = CommittedPrivateBytes();
    for (int i = 0; i < 60; ++i) {
        ASSERT_EQ(station.Open(), 0) << "cycle " << i;
        if (i % 20 == 0) {
            ASSERT_EQ(station.Dialog(-1), 0);
        }
        station.Function(0);
        station.Close();
        Pump(1);
    }
    Pump(50);
    EXPECT_EQ(WindowCount(), windows);
    EXPECT_LE(GdiHighWater(), gdi + 16) << "GDI objects leak";
    EXPECT_LE(UserHighWater(), user + 16) << "USER objects leak";
    const DWORD gdiCount = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (gdiCount != 0) { // the count exists on Windows; Wine answers 0
        EXPECT_LT(gdiCount, 60u);
    }
    // Heaps may round up; a leak of even one bitmap per cycle is 60 x 900 KB.
    EXPECT_LE(CommittedPrivateBytes(), memory + 2 * 1024 * 1024) << "memory grows";
    EXPECT_TRUE(answers.Texts().empty());
}
