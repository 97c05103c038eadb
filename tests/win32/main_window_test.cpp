// The main window after start-up and after a show: its components where the
// form puts them, its menus, its hot keys, splitters that do not move, the
// background tiles, live video by the settings.
#include "tests/win32/station_fixture.h"
#include "tests/win32/window_probe.h"

#include "contracts/grabcard_sim.h"
#include "params/parameter_set.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace testing_station;

namespace {

std::string Ini(int initGrab) {
    return "[Basic]\r\nInitGrab=" + std::to_string(initGrab) +
           "\r\nMmPerPixel=-1\r\ndShowModal=1\r\nGrabNumber=1\r\n[Motion]\r\nPitchX=5\r\nPulseX="
           "10000\r\n";
}

std::string Recipe(uint32_t windowFlags) {
    station::ParameterSet p;
    p.SetDefaults(1);
    p.op.WindowFlags = windowFlags;
    const std::vector<uint8_t> bytes = station::EncodeParameterFile(p);
    return std::string(bytes.begin(), bytes.end());
}

class MainWindow : public ::testing::Test {
  protected:
    void Open(int initGrab = 0, uint32_t windowFlags = 0) {
        copy_.WriteFile("Kest.INI", Ini(initGrab));
        copy_.WriteFile("Kest.cfg", Recipe(windowFlags));
        station_ = std::make_unique<Vardel>(copy_.dir());
        ASSERT_EQ(station_->Open(), 0);
        form_ = FindOwnWindow("TMainForm1");
        ASSERT_NE(form_, nullptr);
        camera_ = GetModuleHandleA(copy_.Path("Grabcard.dll").c_str());
        ASSERT_NE(camera_, nullptr);
        frames_ = reinterpret_cast<GrabcardSimFrameCountFn>(
            reinterpret_cast<void*>(GetProcAddress(camera_, "GrabcardSimFrameCount")));
        ASSERT_NE(frames_, nullptr);
        Pump(100);
    }
    void TearDown() override {
        if (station_)
            station_->Close();
    }
    HWND C(const char* name) const {
        HWND h = FindComponent(form_, name);
        EXPECT_NE(h, nullptr) << name;
        return h;
    }
    int Width(const char* name) const {
        const RECT r = BoundsInParent(C(name));
        return r.right - r.left;
    }
    int Height(const char* name) const {
        const RECT r = BoundsInParent(C(name));
        return r.bottom - r.top;
    }
    // Frames the camera delivers while the loop runs for ms.
    int FramesDuring(DWORD ms) {
        const int before = frames_();
        Pump(ms);
        return frames_() - before;
    }

    // Every component's place and state after start-up or a show, for a
    // 640 x 480 camera and an operator without rights.
    void CheckLayout() {
        RECT client;
        GetClientRect(form_, &client);
        const int h = client.bottom;
        const int right = Width("rPanel1");
        const int down = h - 492;
        // The list page made DownPanel at least 200 high for the lists.
        const int lists = (down < 200 ? 200 : down) - 20;
        struct Row {
            const char* name;
            const char* parent;
            int left, top, width, height;
            bool shown;
        };
        const Row rows[] = {
            {"Panel1", nullptr, 0, 0, 650, h, true},
            {"MainPanel", "Panel1", 0, 0, 650, 490, true},
            {"Image2", "MainPanel", 5, 5, 640, 480, true},
            {"PaintBox2", "MainPanel", 312, 8, 50, 50, false},
            {"PageBig1", "MainPanel", 6, 450, 32, 32, true},
            {"PageSmall1", "MainPanel", 6, 450, 32, 32, false},
            {"ShowD", "MainPanel", 503, 450, 137, 32, true},
            {"ShowBoardName1", "MainPanel", 48, 450, 445, 32, true},
            {"Splitter2", "Panel1", 0, 490, 650, 2, true},
            {"DownPanel", "Panel1", 0, 492, 650, down, true},
            {"newAbout1", "DownPanel", 2, 2, 75, down - 5, true},
            {"newLogin1", "DownPanel", 78, 2, 75, down - 5, true},
            {"newLanguage1", "DownPanel", 154, 2, 75, down - 5, true},
            {"newKeyboard1", "DownPanel", 230, 2, 75, down - 5, true},
            {"newGrab1", "DownPanel", 306, 2, 75, down - 5, true},
            {"newLive1", "DownPanel", 382, 2, 75, down - 5, true},
            {"newCrossLine1", "DownPanel", 458, 2, 75, down - 5, true},
            {"newClose1", "DownPanel", 533, 2, 75, down - 5, true},
            {"OkListView1", "DownPanel", 10, 10, 260, lists, false},
            {"NgListView1", "DownPanel", 280, 10, 360, lists, false},
            {"Splitter1", nullptr, 650, 0, 2, h, true},
            {"rPanel1", nullptr, 652, 0, client.right - 652, h, true},
            {"ShowA", "rPanel1", 5, 8, right - 10, 33, true},
            {"ShowB", "rPanel1", 5, 48, right - 10, 33, true},
            {"ShowC", "rPanel1", 5, 88, right - 10, 33, true},
            {"ShowA1", "rPanel1", 5, 440, right - 10, 33, true},
            {"ShowB1", "rPanel1", 5, 480, right - 10, 33, true},
            {"ShowC1", "rPanel1", 5, 520, right - 10, 33, true},
            {"rightParaSetup1", "rPanel1", 5, 151, right - 10, 40, true},
            {"rightISetup1", "rPanel1", 5, 195, right - 10, 40, false},
            {"rightISetup2", "rPanel1", 5, 239, right - 10, 40, false},
            {"rightCSetup1", "rPanel1", 5, 282, right - 10, 40, false},
            {"rightCSetup2", "rPanel1", 5, 326, right - 10, 40, false},
            {"rightLoad1", "rPanel1", 5, 370, right - 10, 40, true},
            {"BaseLine1", "rPanel1", 5, 239, right - 10, 40, false},
            {"Total1", "rPanel1", 5, 211, right - 10, 128, true},
            {"sReset1", "Total1", 71, 96, 49, 22, true},
            {"CoolBar1", nullptr, -1, -1, -1, -1, false},
            {"StatusBar1", nullptr, -1, -1, -1, -1, false},
        };
        for (const Row& row : rows) {
            HWND c = C(row.name);
            if (!c)
                continue;
            EXPECT_EQ(GetParent(c), row.parent ? C(row.parent) : form_) << row.name;
            EXPECT_EQ(Shown(c), row.shown) << row.name;
            if (row.left < 0)
                continue;
            const RECT r = BoundsInParent(c);
            EXPECT_EQ(r.left, row.left) << row.name;
            EXPECT_EQ(r.top, row.top) << row.name;
            EXPECT_EQ(r.right - r.left, row.width) << row.name;
            EXPECT_EQ(r.bottom - r.top, row.height) << row.name;
        }
        // The status bar's first panel is as wide as Panel1.
        int edges[2] = {};
        SendMessageA(C("StatusBar1"), SB_GETPARTS, 2, reinterpret_cast<LPARAM>(edges));
        EXPECT_EQ(edges[0], 650);
    }

    StationCopy copy_;
    MessageBoxOperator answers_;
    std::unique_ptr<Vardel> station_;
    HWND form_ = nullptr;
    HMODULE camera_ = nullptr;
    GrabcardSimFrameCountFn frames_ = nullptr;
};

} // namespace

TEST_F(MainWindow, ComponentsStandWhereTheFormPutsThemAfterStartAndShow) {
    Open();
    CheckLayout();
    ASSERT_EQ(station_->Dialog(-1), 0);
    Pump(200);
    EXPECT_TRUE(IsWindowVisible(form_));
    CheckLayout();
    // The result lists carry their columns.
    HWND header = reinterpret_cast<HWND>(SendMessageA(C("NgListView1"), LVM_GETHEADER, 0, 0));
    EXPECT_EQ(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0), 6);
}

TEST_F(MainWindow, MenusCarryTheirCaptionsTagsHotKeysAndStates) {
    Open();
    struct Item {
        const char* caption;
        int tag;
        bool checked;
        bool enabled;
    };
    const std::vector<std::vector<Item>> menus = {
        {{"登入...\tF5", 100, false, true},
         {"-", 0, false, true},
         {"載入...\tF3", 101, false, true},
         {"儲存...\tF2", 102, false, false}, // rights bit 7 only
         {"-", 0, false, true},
         {"結束\tAlt+X", 103, false, true}},
        {{"單張取像\tF4", 200, false, true},
         {"連續取像\tEsc", 201, false, true},
         {"停止取像", 202, false, true},
         {"-", 0, false, true},
         {"載入影像...\tAlt+F3", 203, false, true},
         {"儲存影像...\tAlt+F2", 204, false, true}},
        // ToolBar2, StateBar2, the auto-save items and N8 are hidden.
        {{"中 / English", 300, false, true},
         {"-", 0, false, true},
         {"十字線", 303, false, true},
         {"-", 0, false, true},
         {"取像開關", 304, true, false}}, // rights bit 8 only
        // The shipped tables have no home page or mail address: HomePage2,
        // email2 and N2 are hidden.
        {{"Help Menu\tF1", 403, false, true},
         {"NG List", 404, false, true},
         {"-", 0, false, true},
         {"關於...\tF10", 402, false, true}},
    };
    const char* titles[] = {"檔案(&F)", "影像(&I)", "選項(&O)", "說明(&H)"};
    ASSERT_EQ(GetMenuItemCount(GetMenu(form_)), 4);
    for (std::size_t m = 0; m < menus.size(); ++m) {
        EXPECT_EQ(MenuTitle(form_, static_cast<int>(m)), titles[m]);
        const auto items = MenuItems(form_, static_cast<int>(m));
        ASSERT_EQ(items.size(), menus[m].size()) << "menu " << m;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const Item& want = menus[m][i];
            EXPECT_EQ(items[i].caption, want.caption) << m << "/" << i;
            if (items[i].separator)
                continue;
            EXPECT_EQ(items[i].tag, want.tag) << want.caption;
            EXPECT_EQ(items[i].checked, want.checked) << want.caption;
            EXPECT_EQ(items[i].enabled, want.enabled) << want.caption;
        }
    }
    // The tool bar is hidden; its table is still there: 12 buttons with the
    // tags of their menu items, LoadI and SaveI hidden.
    HWND tools = C("ToolBar1");
    ASSERT_EQ(SendMessageA(tools, TB_BUTTONCOUNT, 0, 0), 12);
    const int tags[12] = {200, 0, 201, 0, 202, 0, 402, 0, 103, 203, 204, 0};
    const bool hidden[12] = {false, false, false, false, true, true,
                             false, false, true,  true,  true, true};
    for (int i = 0; i < 12; ++i) {
        TBBUTTON b{};
        SendMessageA(tools, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        EXPECT_EQ(static_cast<int>(b.dwData), tags[i]) << i;
        EXPECT_EQ((b.fsState & TBSTATE_HIDDEN) != 0, hidden[i]) << i;
    }
}

TEST_F(MainWindow, F4GrabsAndEscStartsLiveInModelessShowing) {
    Open();
    ASSERT_EQ(station_->Dialog(-1), 0); // modeless: the test's loop is the host's
    Pump(200);
    const int before = frames_();
    PressKey(form_, VK_F4);
    Pump(200);
    EXPECT_EQ(frames_() - before, 1) << "F4 grabs one frame";
    EXPECT_EQ(FramesDuring(400), 0) << "and nothing more";
    PressKey(form_, VK_ESCAPE);
    EXPECT_GE(FramesDuring(600), 5) << "Esc starts live video";
    ChooseMenuItem(form_, 202);
    Pump(200);
    EXPECT_EQ(FramesDuring(400), 0) << "Stop2 stops it";
}

TEST_F(MainWindow, BarsStayHiddenWhateverTheWindowFlagsSay) {
    Open(0, 3); // both bars hidden by the operator last time
    EXPECT_FALSE(Shown(C("CoolBar1")));
    EXPECT_FALSE(Shown(C("StatusBar1")));
    ASSERT_EQ(station_->Dialog(-1), 0);
    Pump(200);
    EXPECT_FALSE(Shown(C("CoolBar1")));
    EXPECT_FALSE(Shown(C("StatusBar1")));
    station_->Close();
    Open(0, 0);
    ASSERT_EQ(station_->Dialog(-1), 0);
    Pump(200);
    EXPECT_FALSE(Shown(C("CoolBar1")));
    EXPECT_FALSE(Shown(C("StatusBar1")));
}

TEST_F(MainWindow, InitGrab2IsLiveAtStartAndAtEveryShow) {
    Open(2);
    EXPECT_GE(FramesDuring(600), 5) << "live after start-up";
    ChooseMenuItem(form_, 202);
    Pump(200);
    EXPECT_EQ(FramesDuring(300), 0);
    ASSERT_EQ(station_->Dialog(-1), 0);
    EXPECT_GE(FramesDuring(600), 5) << "live again at the show";
    ChooseMenuItem(form_, 103); // the operator closes the window
    ChooseMenuItem(form_, 202);
    Pump(200);
    EXPECT_FALSE(IsWindowVisible(form_));
    ASSERT_EQ(station_->Dialog(-1), 0);
    EXPECT_GE(FramesDuring(600), 5) << "and at the next show";
}

TEST_F(MainWindow, SplittersRefuseToMove) {
    Open();
    ASSERT_EQ(station_->Dialog(-1), 0);
    Pump(200);
    const int panel = Width("Panel1"), mainPanel = Height("MainPanel");
    for (const char* name : {"Splitter1", "Splitter2"}) {
        HWND s = C(name);
        SendMessageA(s, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
        SendMessageA(s, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 60));
        SendMessageA(s, WM_LBUTTONUP, 0, MAKELPARAM(60, 60));
        Pump(50);
    }
    EXPECT_EQ(Width("Panel1"), panel);
    EXPECT_EQ(Height("MainPanel"), mainPanel);
}

TEST_F(MainWindow, BackgroundAreasAreTiledWithTheStationsBitmap) {
    Open();
    HBITMAP tile =
        static_cast<HBITMAP>(LoadImageA(nullptr, copy_.Path("vBK2.bmp").c_str(), IMAGE_BITMAP, 0, 0,
                                        LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    ASSERT_NE(tile, nullptr);
    BITMAP bm{};
    GetObjectA(tile, sizeof bm, &bm);
    BITMAPINFO bi{};
    bi.bmiHeader = {
        sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const int stride = (bm.bmWidth * 3 + 3) & ~3;
    std::vector<uint8_t> px(static_cast<std::size_t>(stride) * bm.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, tile, 0, bm.bmHeight, px.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(tile);
    const auto tileAt = [&](int x, int y) {
        const uint8_t* p =
            &px[static_cast<std::size_t>(y % bm.bmHeight) * stride + 3 * (x % bm.bmWidth)];
        return RGB(p[2], p[1], p[0]);
    };
    for (const char* box : {"PaintBoxA", "PaintBoxB"}) {
        const Picture pic = PrintClient(C(box));
        ASSERT_GT(pic.width, bm.bmWidth) << box;
        ASSERT_GT(pic.height, bm.bmHeight) << box;
        int wrong = 0;
        for (int y = 0; y < pic.height; y += 3)
            for (int x = 0; x < pic.width; x += 3)
                wrong += pic.At(x, y) != tileAt(x, y);
        EXPECT_EQ(wrong, 0) << box;
    }
}
