// What the operator's actions on the main window do, seen from outside the
// station: recording stand-ins for Login.dll and About.dll in the station
// copy, the shell's open call of vardel.dll redirected to a recorder, the
// parameter dialog's choice read from the debugger output, and language
// tables written for the test (one that answers each request with its own
// section and key, one that has no texts at all).
#include "tests/win32/measuring_recipe.h"
#include "tests/win32/station_fixture.h"
#include "tests/win32/window_probe.h"

#include "contracts/grabcard_sim.h"
#include "params/parameter_set.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace testing_station;

namespace {

constexpr int32_t kEcho = 7;  // the language that answers "section/key"
constexpr int32_t kEmpty = 8; // the language without texts

// Every (section, key) the window shows, as the tables of the station's
// texts document them.
const std::map<std::string, std::vector<std::string>> kWindowKeys = {
    {"Main", {"SystemName", "HomePage", "email", "MultiLanguage"}},
    {"Main Menu",
     {"File_",
      "File_Login",
      "File_Load",
      "File_Save",
      "File_Exit",
      "Image_",
      "Image_Grab",
      "Image_Live",
      "Image_Stop",
      "Image_Load",
      "Image_Save",
      "Option_",
      "Option_ToolBar",
      "Option_StatusBar",
      "Option_Cross",
      "Option_GrabSwitch",
      "Option_AutoSaveOk",
      "Option_AutoSaveNg",
      "Help_",
      "Help_HomePage",
      "Help_email",
      "Help_Help",
      "Help_NGList",
      "Help_About"}},
    {"ToolBar",
     {"Grab", "GrabHint", "Live", "LiveHint", "Stop", "StopHint", "About", "AboutHint", "Exit",
      "ExitHint", "LoadImage", "LoadImageHint", "SaveImage", "SaveImageHint"}},
    {"newToolBar",
     {"newAbout", "newLogin", "newLanguage", "newKeyboard", "newGrab", "newLive", "newCrossLine",
      "newClose", "listSerial", "listSerialNg", "listCommand", "listRetCode", "listOffset",
      "listLength", "listDiameter"}},
    {"RightBar",
     {"Parameter", "InspectionA", "InspectionB", "CalibrationM", "CalibrationN", "Load", "BaseLine",
      "Offset", "DrillDiameter", "DrillLength", "Resolution", "CMD", "RetCode", "ResetAyu"}},
    {"Calibration2Dialog", {"IdlRingPosition2"}},
};

std::string EchoTable() {
    std::string t = "[Language]\r\nIdentifier=7\r\nName=Echo\r\n";
    for (const auto& [section, keys] : kWindowKeys) {
        t += "[" + section + "]\r\n";
        for (const std::string& key : keys)
            t += key + "=" + section + "/" + key + "\r\n";
    }
    return t;
}

const char* kEmptyTable = "[Language]\r\nIdentifier=8\r\nName=Empty\r\n";

std::string Today() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[16];
    std::snprintf(text, sizeof text, "%04u%02u%02u", t.wYear, t.wMonth, t.wDay);
    return text;
}

std::string NgLogPath() {
    return "C:\\Debug\\NG-" + Today() + ".txt";
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    for (char c : line) {
        if (c == '|') {
            out.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    out.push_back(field);
    return out;
}

// The shell's open calls of vardel.dll, recorded instead of made.
struct ShellCall {
    HWND owner;
    std::string verb, file;
    bool parameters, directory; // non-null
    int show;
};
std::vector<ShellCall> gShellCalls;

HINSTANCE __stdcall RecordShellCall(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                                    LPCSTR directory, INT show) {
    gShellCalls.push_back({owner, verb ? verb : "(null)", file ? file : "(null)",
                           parameters != nullptr, directory != nullptr, show});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
}

// The next visible top-level window of class cls in this process (the
// test's thread is then inside a modal call).
HWND WaitForWindow(const char* cls, DWORD ms = 60000) {
    for (DWORD waited = 0; waited < ms; waited += 20) {
        if (HWND found = VisibleOwnWindow(cls))
            return found;
        Sleep(20);
    }
    return nullptr;
}

// An operator's hand on the next modal window of class cls: act runs on a
// thread of its own while the test's thread waits in the station's call.
class NextWindow {
  public:
    NextWindow(const char* cls, std::function<void(HWND)> act)
        : thread_([cls, act = std::move(act), this] {
              HWND w = WaitForWindow(cls);
              seen_ = w != nullptr;
              if (w)
                  act(w);
              else // the test's thread may now wait for good: say why
                  std::fprintf(stderr, "no %s window came up\n", cls);
          }) {}
    ~NextWindow() {
        if (thread_.joinable())
            thread_.join();
    }
    // True once the window was there.
    bool Seen() {
        if (thread_.joinable())
            thread_.join();
        return seen_;
    }

  private:
    std::atomic<bool> seen_{false};
    std::thread thread_;
};

// What a file dialog showed: the first filter's text, and whether the
// screen keyboard stood beside it.
struct FileDialogSeen {
    std::string filter;
    bool keyboard = false;
    RECT keyboardRect{};
};

std::function<void(HWND)> CancelFileDialog(FileDialogSeen* seen) {
    return [seen](HWND dialog) {
        Sleep(200); // the dialog's own start
        char text[128] = {};
        HWND types = GetDlgItem(dialog, cmb1);
        if (types)
            SendMessageA(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
        seen->filter = text;
        HWND keys = FindOwnWindow("TKeyboard2Char");
        seen->keyboard = keys && IsWindowVisible(keys);
        if (keys)
            GetWindowRect(keys, &seen->keyboardRect);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
}

// A station copy opened with the operator's rights, language, material and
// counts; Login.dll and About.dll replaced by their recording stand-ins.
struct StationSetup {
    uint32_t rights = 0;
    int32_t language = 0;
    std::string material{};
    int32_t okCount = 0, ngCount = 0;
    bool measuring = false;   // the measuring recipe instead of the defaults
    bool aboutLibrary = true; // false: a station folder without About.dll
};

class OperatorStation : public ::testing::Test {
  protected:
    void Open(const StationSetup& s) {
        SetEnvironmentVariableA("VARDEL_TEST_WAITS", "0");
        copy_.WriteFile("Language\\echo.lng", EchoTable());
        copy_.WriteFile("Language\\empty.lng", kEmptyTable);
        for (const char* dll : {"Login.dll", "About.dll"}) {
            const std::string fake = FakeFolder() + "\\" + dll;
            ASSERT_TRUE(CopyFileA(fake.c_str(), copy_.Path(dll).c_str(), FALSE)) << fake;
        }
        if (!s.aboutLibrary)
            copy_.RemoveFile("About.dll");
        station::ParameterSet p = s.measuring ? MeasuringRecipe() : station::ParameterSet{};
        if (!s.measuring)
            p.SetDefaults(1);
        p.op.OperatorRights = s.rights;
        p.op.LanguageIndex = s.language;
        std::memset(p.station.MaterialName.data(), 0, p.station.MaterialName.size());
        std::memcpy(p.station.MaterialName.data(), s.material.data(), s.material.size());
        p.material.OkCount = s.okCount;
        p.material.NgCount = s.ngCount;
        copy_.WriteFile("Kest.cfg", ParameterFileBytes(p));
        copy_.WriteFile("Kest.INI", MeasuringSettings(0));
        station_ = std::make_unique<Vardel>(copy_.dir());
        ASSERT_NE(station_->module, nullptr);
        gShellCalls.clear();
        ASSERT_TRUE(RedirectImport(station_->module, "shell32.dll", "ShellExecuteA",
                                   reinterpret_cast<void*>(&RecordShellCall)))
            << "the shell's open calls must not leave the test";
        ASSERT_EQ(station_->Open(), 0);
        form_ = FindOwnWindow("TMainForm1");
        ASSERT_NE(form_, nullptr);
        login_ = GetModuleHandleA(copy_.Path("Login.dll").c_str());
        about_ = GetModuleHandleA(copy_.Path("About.dll").c_str());
        grabcard_ = GetModuleHandleA(copy_.Path("Grabcard.dll").c_str());
        language_ = GetModuleHandleA(copy_.Path("Language.dll").c_str());
        ASSERT_NE(login_, nullptr);
        ASSERT_EQ(about_ != nullptr, s.aboutLibrary);
        ASSERT_NE(grabcard_, nullptr);
        ASSERT_NE(language_, nullptr);
        ASSERT_NE(Export<const char*(__stdcall*)()>(login_, "FakeCalls"), nullptr)
            << "the station runs the recording Login.dll";
        ASSERT_EQ(station_->Dialog(-1), 0);
        Pump(150);
        ClearRecords();
    }
    void TearDown() override {
        if (station_)
            station_->Close();
        SetEnvironmentVariableA("VARDEL_TEST_WAITS", nullptr);
    }

    static std::string FakeFolder() {
        std::string p = "Z:" + std::string(FAKE_LIBRARY_DIR_UNIX);
        std::replace(p.begin(), p.end(), '/', '\\');
        return p;
    }
    template <class F> static F Export(HMODULE m, const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
    }
    std::vector<std::string> Calls(HMODULE m) const {
        return Lines(Export<const char*(__stdcall*)()>(m, "FakeCalls")());
    }
    std::vector<std::string> LoginCalls() const { return Calls(login_); }
    std::vector<std::string> AboutCalls() const { return Calls(about_); }
    void AnswerLogin(bool accept, uint32_t rights) const {
        Export<void(__stdcall*)(uint8_t, uint32_t)>(login_, "FakeLoginAnswer")(accept ? 1 : 0,
                                                                               rights);
    }
    void ClearRecords() {
        Export<void(__stdcall*)()>(login_, "FakeClear")();
        if (about_)
            Export<void(__stdcall*)()>(about_, "FakeClear")();
        gShellCalls.clear();
        debug_.Clear();
    }
    int32_t Frames() const {
        return Export<GrabcardSimFrameCountFn>(grabcard_, "GrabcardSimFrameCount")();
    }
    // The text the station's language library gives for a pair.
    std::string LanguageText(int32_t language, const char* section, const char* key) const {
        return Export<const char*(__stdcall*)(int32_t, const char*, const char*)>(
            language_, "GetLanguageString")(language, section, key);
    }

    HWND C(const char* name) const {
        HWND h = FindComponent(form_, name);
        EXPECT_NE(h, nullptr) << name;
        return h;
    }
    std::string Caption(const char* name) const { return TextOf(C(name)); }
    std::string Title() const { return TextOf(form_); }
    // A menu item's caption without its hot key.
    std::string ItemCaption(int tag) const {
        const std::string c = MenuItemByTag(form_, tag).caption;
        return c.substr(0, c.find('\t'));
    }
    bool ItemShown(int tag) const { return MenuItemByTag(form_, tag).id != 0; }

    // The tool button of that name's command, as its click sends it.
    void PressToolButton(int index) const {
        HWND bar = C("ToolBar1");
        TBBUTTON b{};
        ASSERT_TRUE(SendMessageA(bar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b)));
        SendMessageA(form_, WM_COMMAND, MAKEWPARAM(b.idCommand, BN_CLICKED),
                     reinterpret_cast<LPARAM>(bar));
    }
    std::string ToolCaption(int index) const {
        HWND bar = C("ToolBar1");
        TBBUTTON b{};
        SendMessageA(bar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b));
        char text[256] = {};
        SendMessageA(bar, TB_GETBUTTONTEXTA, b.idCommand, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // The hint the tool bar's tool tip asks the window for.
    std::string ToolHint(int index) const {
        HWND bar = C("ToolBar1");
        TBBUTTON b{};
        SendMessageA(bar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b));
        NMTTDISPINFOA info{};
        info.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageA(bar, TB_GETTOOLTIPS, 0, 0));
        info.hdr.idFrom = static_cast<UINT_PTR>(b.idCommand);
        info.hdr.code = TTN_GETDISPINFOA;
        SendMessageA(form_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
        return info.lpszText ? info.lpszText : (info.szText[0] ? info.szText : "");
    }
    std::string Column(const char* list, int column) const {
        char text[256] = {};
        LVCOLUMNA c{};
        c.mask = LVCF_TEXT;
        c.pszText = text;
        c.cchTextMax = sizeof text;
        SendMessageA(C(list), LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&c));
        return text;
    }
    int Rows(const char* list) const {
        return static_cast<int>(SendMessageA(C(list), LVM_GETITEMCOUNT, 0, 0));
    }
    std::string Cell(const char* list, int row, int column) const {
        char text[256] = {};
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(C(list), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // The debugger lines that name a parameter dialog.
    std::vector<std::string> ParameterDialogs() {
        std::vector<std::string> out;
        for (const std::string& line : debug_.Lines())
            for (const char* form : {"TCalFormOp2", "TCalFormAm2", "TCalFormEn2"})
                if (line.find(std::string("parameter dialog ") + form) != std::string::npos)
                    out.push_back(form);
        return out;
    }
    // The parameter dialog that press chooses: the window of that form
    // (closed again by the operator's hand) or, while a dialog is only
    // announced, the debugger's line; empty when none.
    std::set<std::string> ParameterDialogOf(const std::function<void()>& press) {
        debug_.Clear();
        std::set<std::string> seen;
        std::mutex lock;
        std::atomic<bool> done{false};
        std::thread hand([&] {
            while (!done) {
                for (const char* form : {"TCalFormOp2", "TCalFormAm2", "TCalFormEn2"}) {
                    HWND w = FindOwnWindow(form);
                    if (w && IsWindowVisible(w)) {
                        {
                            std::lock_guard<std::mutex> g(lock);
                            seen.insert(form);
                        }
                        PostMessageA(w, WM_CLOSE, 0, 0);
                    }
                }
                Sleep(20);
            }
        });
        press();
        done = true;
        hand.join();
        for (const std::string& form : ParameterDialogs())
            seen.insert(form);
        return seen;
    }
    // The operator picks a language by its name in the selection window,
    // or cancels it; returns the window's title.
    std::string ChooseLanguage(const std::function<void()>& press, const char* name) {
        std::string title;
        NextWindow hand("LanguageSelect", [&](HWND w) {
            title = TextOf(w);
            HWND list = GetDlgItem(w, 100);
            const LRESULT row =
                name ? SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(name))
                     : LB_ERR;
            if (row != LB_ERR)
                SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
            PostMessageA(w, WM_COMMAND, row != LB_ERR ? IDOK : IDCANCEL, 0);
        });
        press();
        EXPECT_TRUE(hand.Seen()) << "the language selection window";
        return title;
    }

    StationCopy copy_;
    DebugOutput debug_;
    std::unique_ptr<Vardel> station_;
    HWND form_ = nullptr;
    HMODULE login_ = nullptr, about_ = nullptr, grabcard_ = nullptr, language_ = nullptr;
};

// Tool-bar positions (the form's table, left to right).
enum ToolIndex {
    kGrab = 0,
    kSeparator = 1,
    kLive = 2,
    kStop = 4,
    kAbout = 6,
    kExit = 8,
    kLoadI = 9,
    kSaveI = 10
};

} // namespace

// ---------------------------------------------------------------- dispatch

class OperatorDispatch : public OperatorStation {};

TEST_F(OperatorDispatch, EveryTagDoesItsActionFromMenuToolAndBottomButtons) {
    // Rights 0x180: Save2 and GrabSw2 enabled; every text "section/key".
    Open({.rights = 0x180, .language = kEcho, .material = "drill"});
    AnswerLogin(true, 0x180);
    const auto menu = [this](int tag) { return [this, tag] { ChooseMenuItem(form_, tag); }; };
    const auto tool = [this](int index) { return [this, index] { PressToolButton(index); }; };
    const auto click = [this](const char* name) { return [this, name] { Click(C(name)); }; };
    struct Way {
        const char* what;
        std::function<void()> press;
    };

    // 100: login with the caption of Login2 and the operator block.
    for (const Way& w : {Way{"Login2", menu(100)}, Way{"newLogin1", click("newLogin1")}}) {
        ClearRecords();
        w.press();
        EXPECT_EQ(LoginCalls(), std::vector<std::string>{"ShowLoginForm|Main Menu/File_Login|"
                                                         "language 7"})
            << w.what;
    }
    // 101 and 102, 203 and 204: their dialogs with their filters; the save
    // dialogs bring the screen keyboard to the window's bottom-left corner.
    struct FileWay {
        Way way;
        const char* filter;
        bool keyboard;
    };
    const FileWay files[] = {
        {{"Load2", menu(101)}, "*.rec", false},
        {{"rightLoad1", click("rightLoad1")}, "*.rec", false},
        {{"ShowBoardName1", click("ShowBoardName1")}, "*.rec", false},
        {{"Save2", menu(102)}, "*.rec", true},
        {{"LoadImage2", menu(203)}, "*.tif", false},
        {{"LoadI", tool(kLoadI)}, "*.tif", false},
        {{"SaveImage2", menu(204)}, "*.tif", true},
        {{"SaveI", tool(kSaveI)}, "*.tif", true},
    };
    RECT window{};
    GetWindowRect(form_, &window);
    for (const FileWay& f : files) {
        FileDialogSeen seen;
        {
            NextWindow hand("#32770", CancelFileDialog(&seen));
            f.way.press();
            EXPECT_TRUE(hand.Seen()) << f.way.what;
        }
        EXPECT_EQ(seen.filter, f.filter) << f.way.what;
        EXPECT_EQ(seen.keyboard, f.keyboard) << f.way.what;
        if (f.keyboard) {
            EXPECT_EQ(seen.keyboardRect.left, window.left + 4) << f.way.what;
            EXPECT_EQ(seen.keyboardRect.bottom, window.bottom - 5) << f.way.what;
        }
        HWND keys = FindOwnWindow("TKeyboard2Char");
        EXPECT_FALSE(keys && IsWindowVisible(keys)) << "closed with the dialog: " << f.way.what;
        EXPECT_EQ(Title(), "Main/SystemName - drill") << "a cancelled dialog changes nothing";
    }
    // 103: the window closes (hides); every way, then shown again.
    for (const Way& w : {Way{"Exit2", menu(103)}, Way{"Exit", tool(kExit)},
                         Way{"newClose1", click("newClose1")}}) {
        w.press();
        EXPECT_FALSE(IsWindowVisible(form_)) << w.what;
        ASSERT_EQ(station_->Dialog(-1), 0);
        Pump(100);
        ASSERT_TRUE(IsWindowVisible(form_));
    }
    // 200: one frame; 201 live; 202 stop.
    for (const Way& w :
         {Way{"Grab2", menu(200)}, Way{"Grab", tool(kGrab)}, Way{"newGrab1", click("newGrab1")}}) {
        const int32_t before = Frames();
        w.press();
        Pump(200);
        EXPECT_EQ(Frames() - before, 1) << w.what;
    }
    const Way lives[] = {
        {"Live2", menu(201)}, {"Live", tool(kLive)}, {"newLive1", click("newLive1")}};
    const Way stops[] = {{"Stop2", menu(202)}, {"Stop", tool(kStop)}, {"Stop2", menu(202)}};
    for (int i = 0; i < 3; ++i) {
        lives[i].press();
        int32_t before = Frames();
        Pump(500);
        EXPECT_GE(Frames() - before, 5) << lives[i].what;
        stops[i].press();
        Pump(200);
        before = Frames();
        Pump(300);
        EXPECT_EQ(Frames() - before, 0) << stops[i].what << " after " << lives[i].what;
    }
    // 300: the language library's selection with the caption of English2;
    // cancelled, nothing changes.
    for (const Way& w : {Way{"English2", menu(300)}, Way{"newLanguage1", click("newLanguage1")}}) {
        EXPECT_EQ(ChooseLanguage(w.press, nullptr), "Main/MultiLanguage") << w.what;
        EXPECT_EQ(Title(), "Main/SystemName - drill") << w.what;
    }
    // 303: the mark's setup with the caption of CrossLine2; the bottom
    // button switches the mark; the keyboard button shows the library's.
    ClearRecords();
    ChooseMenuItem(form_, 303);
    Click(C("newCrossLine1"));
    Click(C("newKeyboard1"));
    EXPECT_EQ(LoginCalls(),
              (std::vector<std::string>{"LoginDrawMarkSetup|Main Menu/Option_Cross",
                                        "LoginDrawMarkSwitch", "LoginScreenKeyboard|0"}));
    Click(C("newCrossLine1")); // the mark back on
    // 304: the grab switch's check mark inverts, twice back.
    const bool grabSwitch = MenuItemByTag(form_, 304).checked;
    ChooseMenuItem(form_, 304);
    EXPECT_EQ(MenuItemByTag(form_, 304).checked, !grabSwitch);
    ChooseMenuItem(form_, 304);
    EXPECT_EQ(MenuItemByTag(form_, 304).checked, grabSwitch);
    // 400, 401, 403, 404: the shell opens, owned by the window, verb Open.
    ClearRecords();
    ChooseMenuItem(form_, 400);
    ChooseMenuItem(form_, 401);
    ChooseMenuItem(form_, 403);
    ChooseMenuItem(form_, 404);
    const std::vector<std::string> opened = {"Main/HomePage", "Main/email",
                                             copy_.dir() + "\\readme.txt", NgLogPath()};
    ASSERT_EQ(gShellCalls.size(), opened.size());
    for (std::size_t i = 0; i < opened.size(); ++i) {
        const ShellCall& c = gShellCalls[i];
        EXPECT_EQ(c.file, opened[i]);
        EXPECT_EQ(c.owner, form_) << c.file;
        EXPECT_EQ(c.verb, "Open") << c.file;
        EXPECT_FALSE(c.parameters) << c.file;
        EXPECT_FALSE(c.directory) << c.file;
        EXPECT_EQ(c.show, SW_SHOWNORMAL) << c.file;
    }
    // 402: the about box with its five texts.
    for (const Way& w : {Way{"About2", menu(402)}, Way{"About", tool(kAbout)},
                         Way{"newAbout1", click("newAbout1")}}) {
        ClearRecords();
        w.press();
        const auto calls = AboutCalls();
        ASSERT_EQ(calls.size(), 1u) << w.what;
        const auto f = Fields(calls[0]);
        ASSERT_EQ(f.size(), 6u) << calls[0];
        EXPECT_EQ(f[1], "Main Menu/Help_About") << w.what;
        EXPECT_EQ(f[2], "Main/SystemName") << w.what;
        EXPECT_EQ(f[3], "2.03_") << w.what;
        EXPECT_FALSE(f[4].empty()) << "an author";
        EXPECT_NE(f[4], "(null)");
        EXPECT_EQ(f[5], "2012-03-19") << w.what;
    }
    // The parameter button by its tag (rights 0x180: calibration), the ring
    // panel always the ring-position dialog; nothing else opens.
    using Forms = std::set<std::string>;
    EXPECT_EQ(ParameterDialogOf([this] { Click(C("rightParaSetup1")); }), Forms{"TCalFormAm2"});
    EXPECT_EQ(ParameterDialogOf([this] { Click(C("ShowD")); }), Forms{"TCalFormOp2"});
    ClearRecords();
    // ShowC1 shows its whole caption as its hint.
    Pump(100);
    Click(C("ShowC1"));
    EXPECT_EQ(HintOf(form_, C("ShowC1")), Caption("ShowC1"));
    EXPECT_EQ(HintOf(form_, C("ShowC1")), " RightBar/RetCode ");
    // A separator of the tool bar, and a command no item has: nothing.
    ClearRecords();
    const int32_t before = Frames();
    PressToolButton(kSeparator);
    SendMessageA(form_, WM_COMMAND, MAKEWPARAM(39999, 0), 0);
    Pump(200);
    EXPECT_TRUE(IsWindowVisible(form_));
    EXPECT_EQ(Frames(), before);
    EXPECT_TRUE(LoginCalls().empty());
    EXPECT_TRUE(AboutCalls().empty());
    EXPECT_TRUE(gShellCalls.empty());
    EXPECT_TRUE(ParameterDialogs().empty());
}

TEST_F(OperatorDispatch, AStationFolderWithoutTheAboutLibraryStillRuns) {
    Open({.rights = 0, .language = kEcho, .aboutLibrary = false});
    EXPECT_EQ(GetModuleHandleA(copy_.Path("About.dll").c_str()), nullptr);
    ChooseMenuItem(form_, 402);
    Click(C("newAbout1"));
    Pump(100);
    EXPECT_TRUE(IsWindowVisible(form_));
    EXPECT_EQ(Title(), "Main/SystemName - ");
}

TEST_F(OperatorDispatch, MaterialRecordsLoadAndSaveThroughTheirDialogs) {
    station::MaterialRecord m{};
    m.OkCount = 7;
    m.NgCount = 1;
    const auto bytes = station::Encode(m);
    copy_.WriteFile("CONFIG\\drill-a.b.rec", std::string(bytes.begin(), bytes.end()));
    Open({.rights = 0x180, .language = kEcho, .material = "first"});
    // Load: the operator picks the file; name, counts and title follow it.
    std::string proposed = "?";
    const auto pick = [&proposed](const std::string& file) {
        return [&proposed, file](HWND dialog) {
            Sleep(200);
            char text[MAX_PATH] = {};
            GetDlgItemTextA(dialog, cmb13, text, sizeof text);
            proposed = text;
            SetDlgItemTextA(dialog, cmb13, file.c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        };
    };
    {
        NextWindow hand("#32770", pick(copy_.Path("CONFIG\\drill-a.b.rec")));
        ChooseMenuItem(form_, 101);
        ASSERT_TRUE(hand.Seen());
    }
    EXPECT_EQ(proposed, "") << "the open dialog starts without a name";
    EXPECT_EQ(Title(), "Main/SystemName - drill-a.b");
    EXPECT_EQ(Caption("ShowBoardName1"), "<DRILL-A.B>");
    EXPECT_EQ(Caption("sTotal1"), "8");
    EXPECT_EQ(Caption("sYield1"), "87.50%");
    // A record that another program holds open: the read message, and the
    // material, its title and its counts stay as they were.
    copy_.WriteFile("CONFIG\\held.rec", std::string(bytes.begin(), bytes.end()));
    HANDLE held = CreateFileA(copy_.Path("CONFIG\\held.rec").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string message;
    {
        NextWindow hand("#32770", [&](HWND dialog) {
            pick(copy_.Path("CONFIG\\held.rec"))(dialog);
            for (int i = 0; i < 200 && IsWindow(dialog); ++i)
                Sleep(20);
            HWND box = WaitForWindow("#32770", 10000);
            if (!box)
                return;
            char text[512] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            message = text;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        });
        ChooseMenuItem(form_, 101);
        ASSERT_TRUE(hand.Seen());
    }
    CloseHandle(held);
    EXPECT_EQ(message, "Parameter Read error...\n" + copy_.Path("CONFIG\\held.rec"));
    EXPECT_EQ(Title(), "Main/SystemName - drill-a.b");
    EXPECT_EQ(Caption("ShowBoardName1"), "<DRILL-A.B>");
    EXPECT_EQ(Caption("sTotal1"), "8");
    // Save as: the current name proposed; the new name becomes the title.
    {
        NextWindow hand("#32770", pick(copy_.Path("CONFIG\\second.rec")));
        ChooseMenuItem(form_, 102);
        ASSERT_TRUE(hand.Seen());
    }
    Pump(100);
    EXPECT_EQ(proposed, "drill-a.b");
    EXPECT_EQ(FileBytes(copy_.Path("CONFIG\\second.rec")).size(), bytes.size());
    EXPECT_EQ(Title(), "Main/SystemName - second");
    EXPECT_EQ(Caption("ShowBoardName1"), "<SECOND>");
}

TEST_F(OperatorDispatch, ImagesSaveAsTifAndALoadedOneIsMeasuredWithTheGrabSwitchOff) {
    Open({.rights = 0x180, .language = kEcho, .measuring = true});
    ChooseMenuItem(form_, 200); // a picture of the drill in the image memory
    Pump(100);
    // Save image: a bare name gets the dialog's default extension.
    {
        NextWindow hand("#32770", [](HWND dialog) {
            Sleep(200);
            SetDlgItemTextA(dialog, cmb13, "pic");
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        ChooseMenuItem(form_, 204);
        ASSERT_TRUE(hand.Seen());
    }
    Pump(100);
    const std::string saved = copy_.Path("IMG\\pic.tif");
    ASSERT_NE(GetFileAttributesA(saved.c_str()), INVALID_FILE_ATTRIBUTES) << saved;
    // Load image: the saved picture.
    {
        NextWindow hand("#32770", [&](HWND dialog) {
            Sleep(200);
            SetDlgItemTextA(dialog, cmb13, saved.c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        ChooseMenuItem(form_, 203);
        ASSERT_TRUE(hand.Seen());
    }
    // With the grab switch off the inspection button measures the loaded
    // picture: no frame is grabbed, and the drill in it is found.
    if (MenuItemByTag(form_, 304).checked)
        ChooseMenuItem(form_, 304);
    ASSERT_FALSE(MenuItemByTag(form_, 304).checked);
    const int32_t before = Frames();
    Click(C("rightISetup1"));
    Pump(100);
    EXPECT_EQ(Frames(), before) << "the button grabbed a frame";
    EXPECT_GE(station_->Function(0), 0) << "the loaded picture holds the drill";
    EXPECT_EQ(Frames(), before);
    // With the switch on again the camera grabs.
    ChooseMenuItem(form_, 304);
    Click(C("rightISetup1"));
    Pump(100);
    EXPECT_GT(Frames(), before);
}

// ------------------------------------------------------------------ rights

class OperatorRights : public OperatorStation {};

TEST_F(OperatorRights, EachRightsWordShapesTheWindow) {
    Open({.rights = 0, .language = kEcho});
    struct Profile {
        uint32_t rights;
        bool inspect, calibrate, load, statistics, save, grabSwitch;
        const char* dialog;
    };
    const Profile profiles[] = {
        {0x0000, false, false, true, true, false, false, "TCalFormOp2"},
        {0x0001, true, false, true, false, false, false, "TCalFormEn2"},
        {0x0081, true, false, true, false, true, false, "TCalFormEn2"},
        {0x0100, true, true, false, false, false, true, "TCalFormAm2"},
        {0x0180, true, true, false, false, true, true, "TCalFormAm2"},
        {0x0200, false, false, true, false, false, false, "TCalFormEn2"},
        {0x0000, false, false, true, true, false, false, "TCalFormOp2"},
    };
    bool first = true;
    for (const Profile& p : profiles) {
        if (!first) { // the start-up's rights step did the first
            AnswerLogin(true, p.rights);
            ChooseMenuItem(form_, 100);
        }
        first = false;
        SCOPED_TRACE(testing::Message() << "rights 0x" << std::hex << p.rights);
        EXPECT_EQ(Shown(C("rightISetup1")), p.inspect);
        EXPECT_EQ(Shown(C("rightISetup2")), p.inspect);
        EXPECT_EQ(Shown(C("rightCSetup1")), p.calibrate);
        EXPECT_EQ(Shown(C("rightCSetup2")), p.calibrate);
        EXPECT_EQ(Shown(C("rightLoad1")), p.load);
        EXPECT_EQ(Shown(C("Total1")), p.statistics);
        EXPECT_FALSE(Shown(C("BaseLine1")));
        EXPECT_TRUE(Shown(C("rightParaSetup1")));
        EXPECT_EQ(MenuItemByTag(form_, 102).enabled, p.save);
        EXPECT_EQ(MenuItemByTag(form_, 304).enabled, p.grabSwitch);
        EXPECT_EQ(ParameterDialogOf([this] { Click(C("rightParaSetup1")); }),
                  std::set<std::string>{p.dialog});
    }
    // A refused login changes nothing.
    AnswerLogin(false, 0x100);
    ChooseMenuItem(form_, 100);
    EXPECT_TRUE(Shown(C("Total1")));
    EXPECT_FALSE(Shown(C("rightCSetup1")));
    EXPECT_TRUE(Shown(C("rightLoad1")));
}

// ---------------------------------------------------------------- captions

class Captions : public OperatorStation {};

TEST_F(Captions, EveryControlShowsTheTextOfItsPairAndNothingElse) {
    Open({.rights = 0x180, .language = kEcho, .material = "abc"});
    EXPECT_EQ(Title(), "Main/SystemName - abc");
    EXPECT_EQ(Caption("ShowBoardName1"), "<ABC>");
    const char* titles[] = {"Main Menu/File_", "Main Menu/Image_", "Main Menu/Option_",
                            "Main Menu/Help_"};
    for (int m = 0; m < 4; ++m)
        EXPECT_EQ(MenuTitle(form_, m), titles[m]);
    const std::map<int, std::string> items = {
        {100, "Main Menu/File_Login"},    {101, "Main Menu/File_Load"},
        {102, "Main Menu/File_Save"},     {103, "Main Menu/File_Exit"},
        {200, "Main Menu/Image_Grab"},    {201, "Main Menu/Image_Live"},
        {202, "Main Menu/Image_Stop"},    {203, "Main Menu/Image_Load"},
        {204, "Main Menu/Image_Save"},    {300, "Main/MultiLanguage"},
        {303, "Main Menu/Option_Cross"},  {304, "Main Menu/Option_GrabSwitch"},
        {400, "Main Menu/Help_HomePage"}, {401, "Main Menu/Help_email"},
        {402, "Main Menu/Help_About"},    {403, "Main Menu/Help_Help"},
        {404, "Main Menu/Help_NGList"},
    };
    for (const auto& [tag, caption] : items)
        EXPECT_EQ(ItemCaption(tag), caption) << tag;
    // With both addresses: the two links and their separator.
    const auto help = MenuItems(form_, 3);
    ASSERT_EQ(help.size(), 7u);
    EXPECT_TRUE(help[2].separator);
    const std::map<int, std::pair<const char*, const char*>> tools = {
        {kGrab, {"ToolBar/Grab", "ToolBar/GrabHint"}},
        {kLive, {"ToolBar/Live", "ToolBar/LiveHint"}},
        {kStop, {"ToolBar/Stop", "ToolBar/StopHint"}},
        {kAbout, {"ToolBar/About", "ToolBar/AboutHint"}},
        {kExit, {"ToolBar/Exit", "ToolBar/ExitHint"}},
        {kLoadI, {"ToolBar/LoadImage", "ToolBar/LoadImageHint"}},
        {kSaveI, {"ToolBar/SaveImage", "ToolBar/SaveImageHint"}},
    };
    for (const auto& [index, texts] : tools) {
        EXPECT_EQ(ToolCaption(index), texts.first);
        EXPECT_EQ(ToolHint(index), texts.second);
    }
    const std::map<std::string, std::string> buttons = {
        {"newAbout1", "newToolBar/newAbout"},
        {"newLogin1", "newToolBar/newLogin"},
        {"newLanguage1", "newToolBar/newLanguage"},
        {"newKeyboard1", "newToolBar/newKeyboard"},
        {"newGrab1", "newToolBar/newGrab"},
        {"newLive1", "newToolBar/newLive"},
        {"newCrossLine1", "newToolBar/newCrossLine"},
        {"newClose1", "newToolBar/newClose"},
        {"rightParaSetup1", "RightBar/Parameter"},
        {"rightISetup1", "RightBar/InspectionA"},
        {"rightISetup2", "RightBar/InspectionB"},
        {"rightCSetup1", "RightBar/CalibrationM"},
        {"rightCSetup2", "RightBar/CalibrationN"},
        {"rightLoad1", "RightBar/Load"},
        {"BaseLine1", "RightBar/BaseLine"},
        // The statistics panel keeps the form's words.
        {"Label7", "Total:"},
        {"Label9", "OK: "},
        {"Label10", "NG:"},
        {"Label11", "Yield:"},
        {"sReset1", "RESET"},
    };
    for (const auto& [name, caption] : buttons)
        EXPECT_EQ(Caption(name.c_str()), caption) << name;
    const char* ng[] = {"listSerialNg", "listCommand", "listRetCode",
                        "listOffset",   "listLength",  "listDiameter"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(Column("NgListView1", i), std::string("newToolBar/") + ng[i]) << i;
    const char* ok[] = {"listSerial", "listOffset", "listLength", "listDiameter"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Column("OkListView1", i), std::string("newToolBar/") + ok[i]) << i;
    // The value panels with their labels (no command yet: the offset's).
    Pump(100);
    EXPECT_EQ(Caption("ShowA"), " RightBar/Offset 0.000");
    EXPECT_EQ(Caption("ShowB"), " RightBar/DrillDiameter 0.000");
    EXPECT_EQ(Caption("ShowC"), " RightBar/DrillLength 0.000");
    EXPECT_EQ(Caption("ShowA1").rfind(" RightBar/Resolution ", 0), 0u) << Caption("ShowA1");
    EXPECT_EQ(Caption("ShowB1"), " RightBar/CMD ");
    EXPECT_EQ(Caption("ShowC1"), " RightBar/RetCode ");
    EXPECT_EQ(Caption("ShowD").rfind("Calibration2Dialog/IdlRingPosition2 ", 0), 0u)
        << Caption("ShowD");

    // The table without texts: empty titles and captions, no help links,
    // and empty texts (never null) handed to the outside libraries.
    EXPECT_EQ(ChooseLanguage([this] { ChooseMenuItem(form_, 300); }, "Empty"),
              "Main/MultiLanguage");
    EXPECT_EQ(Title(), " - abc");
    for (int m = 0; m < 4; ++m)
        EXPECT_EQ(MenuTitle(form_, m), "") << m;
    EXPECT_FALSE(ItemShown(400));
    EXPECT_FALSE(ItemShown(401));
    const auto bare = MenuItems(form_, 3);
    ASSERT_EQ(bare.size(), 4u) << "Help2, NGList2, N5, About2";
    EXPECT_EQ(bare[0].caption, "\tF1");
    EXPECT_EQ(Caption("newAbout1"), "");
    EXPECT_EQ(Caption("rightISetup1"), "");
    EXPECT_EQ(Column("OkListView1", 0), "");
    EXPECT_EQ(ToolHint(kGrab), "");
    EXPECT_EQ(Caption("ShowA"), " RightBar/Offset 0.000") << "the labels with the next refresh";
    Pump(100);
    EXPECT_EQ(Caption("ShowA"), "  0.000");
    EXPECT_EQ(Caption("ShowB1"), "  ");
    EXPECT_EQ(Caption("Label7"), "Total:");
    ClearRecords();
    AnswerLogin(false, 0);
    ChooseMenuItem(form_, 100);
    ChooseMenuItem(form_, 402);
    EXPECT_EQ(LoginCalls(), std::vector<std::string>{"ShowLoginForm||language 8"});
    ASSERT_EQ(AboutCalls().size(), 1u);
    EXPECT_EQ(Fields(AboutCalls()[0])[1], "");
    EXPECT_EQ(Fields(AboutCalls()[0])[2], "");
    // English2's caption is empty now: the selection window's title too.
    EXPECT_EQ(ChooseLanguage([this] { Click(C("newLanguage1")); }, "English"), "");

    // English, from the bottom button: everything at once.
    EXPECT_EQ(Title(), LanguageText(1, "Main", "SystemName") + " - abc");
    EXPECT_EQ(MenuTitle(form_, 0), LanguageText(1, "Main Menu", "File_"));
    EXPECT_EQ(ItemCaption(100), LanguageText(1, "Main Menu", "File_Login"));
    EXPECT_EQ(ToolHint(kGrab), LanguageText(1, "ToolBar", "GrabHint"));
    EXPECT_EQ(Caption("newAbout1"), LanguageText(1, "newToolBar", "newAbout"));
    EXPECT_EQ(Caption("rightISetup1"), LanguageText(1, "RightBar", "InspectionA"));
    EXPECT_EQ(Column("NgListView1", 1), LanguageText(1, "newToolBar", "listCommand"));
    EXPECT_FALSE(ItemShown(400)) << "the shipped tables have no home page";
    Pump(100);
    EXPECT_EQ(Caption("ShowB1"), " " + LanguageText(1, "RightBar", "CMD") + " ");
}

namespace {

// The window's title at the moment it is first shown, seen by a subclass
// of the station's window.
std::string gTitleWhenShown;
WNDPROC gFormProcedure = nullptr;

LRESULT CALLBACK WatchShow(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    const bool showing = (msg == WM_SHOWWINDOW && wp) ||
                         (msg == WM_WINDOWPOSCHANGING &&
                          (reinterpret_cast<const WINDOWPOS*>(lp)->flags & SWP_SHOWWINDOW) != 0);
    if (showing && gTitleWhenShown.empty())
        gTitleWhenShown = TextOf(h);
    return CallWindowProcA(gFormProcedure, h, msg, wp, lp);
}

} // namespace

TEST_F(Captions, AShowRequestWithALanguageShowsItsTextsFromTheFirstMoment) {
    // A Big5 name: its second byte is a lower-case letter's code, which the
    // code page's upper-casing leaves alone.
    Open({.rights = 0,
          .language = 0,
          .material = "\xA4\x61"
                      "b1"});
    EXPECT_EQ(Caption("ShowBoardName1"), "<\xA4\x61"
                                         "B1>");
    ChooseMenuItem(form_, 103);
    ASSERT_FALSE(IsWindowVisible(form_));
    gTitleWhenShown.clear();
    gFormProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(form_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchShow)));
    ASSERT_NE(gFormProcedure, nullptr);
    ASSERT_EQ(station_->Dialog(1), 0);
    SetWindowLongPtrA(form_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gFormProcedure));
    const std::string english = LanguageText(1, "Main", "SystemName") + " - \xA4\x61"
                                                                        "b1";
    EXPECT_EQ(gTitleWhenShown, english);
    EXPECT_EQ(Title(), english);
    EXPECT_EQ(MenuTitle(form_, 1), LanguageText(1, "Main Menu", "Image_"));
}

// -------------------------------------------------------------- statistics

class StatisticsPanel : public OperatorStation {
  protected:
    void Show(double tip, double length = 38.1, double diameter = 0.3, double ringDepth = 0) {
        DrillScene s{};
        Export<GrabcardSimGetSceneFn>(grabcard_, "GrabcardSimGetScene")(&s);
        common::PlaceDrill(s, {kMmPerPixel, 240.3, tip, length, diameter, ringDepth, ++seed_});
        ASSERT_EQ(Export<GrabcardSimSetSceneFn>(grabcard_, "GrabcardSimSetScene")(&s), 0);
    }
    void NoSignal(bool on) {
        Export<GrabcardSimSetSourceFn>(grabcard_, "GrabcardSimSetSource")(
            on ? GrabcardSourceNoSignal : GrabcardSourceScene);
    }
    std::vector<std::string> Panel() const {
        return {Caption("sTotal1"), Caption("sOk1"), Caption("sNg1"), Caption("sYield1")};
    }
    // The operator presses RESET and answers the question.
    std::string Reset(bool yes) {
        std::string question;
        bool yesNo = false;
        NextWindow hand("#32770", [&](HWND box) {
            char text[1024] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            question = text;
            yesNo = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && !GetDlgItem(box, IDOK);
            PostMessageA(box, WM_COMMAND, yes ? IDYES : IDNO, 0);
        });
        Click(C("sReset1"));
        EXPECT_TRUE(hand.Seen());
        EXPECT_TRUE(yesNo) << "Yes and No";
        Pump(100);
        return question;
    }
    int32_t seed_ = 300;
};

TEST_F(StatisticsPanel, CountsYieldListsAndReset) {
    Open({.rights = 0, .okCount = 1, .ngCount = 2, .measuring = true});
    using V = std::vector<std::string>;
    EXPECT_EQ(Panel(), (V{"3", "1", "2", "33.33%"}));
    EXPECT_EQ(Rows("OkListView1"), 0);
    EXPECT_EQ(Rows("NgListView1"), 0);

    // Calibrated, a good drill: A's OK counts nothing, B's OK one.
    Show(kColumnM);
    ASSERT_EQ(station_->Function(2), static_cast<int32_t>(kMoveX * kPulsesPerMm));
    Show(kColumnM - kMoveX / kMmPerPixel);
    ASSERT_EQ(station_->Function(3), 0);
    Show(kColumnM);
    EXPECT_GE(station_->Function(0), 0);
    Pump(100);
    EXPECT_EQ(Panel(), (V{"3", "1", "2", "33.33%"}));
    EXPECT_EQ(Rows("OkListView1"), 0);
    const double target = kColumnM - kMoveX / kMmPerPixel - 0.5 / kMmPerPixel;
    Show(target, 38.1, 0.3, 4.5);
    EXPECT_EQ(station_->Function(1), 0);
    Pump(100);
    EXPECT_EQ(Panel(), (V{"4", "2", "2", "50.00%"}));
    ASSERT_EQ(Rows("OkListView1"), 1);
    EXPECT_EQ(Cell("OkListView1", 0, 0), "000004");

    // 51 NG rows: the list keeps the newest 50, newest at the top.
    NoSignal(true);
    for (int i = 0; i < 51; ++i)
        ASSERT_EQ(station_->Function(0), -7);
    NoSignal(false);
    Pump(200);
    EXPECT_EQ(Panel(), (V{"55", "2", "53", "3.64%"}));
    ASSERT_EQ(Rows("NgListView1"), 50);
    EXPECT_EQ(Cell("NgListView1", 0, 0), "000055");
    EXPECT_EQ(Cell("NgListView1", 0, 1), "@A*");
    EXPECT_EQ(Cell("NgListView1", 0, 2), "-7");
    EXPECT_EQ(Cell("NgListView1", 49, 0), "000006") << "000005, the oldest, went";
    ASSERT_TRUE(FileExists(NgLogPath()));

    // No: nothing changes.  Yes: counts 0, lists empty, today's log gone,
    // the parameter file as it was.
    const std::string question = LanguageText(0, "RightBar", "ResetAyu");
    ASSERT_FALSE(question.empty());
    EXPECT_EQ(Reset(false), question);
    EXPECT_EQ(Panel(), (V{"55", "2", "53", "3.64%"}));
    EXPECT_EQ(Rows("NgListView1"), 50);
    EXPECT_EQ(Rows("OkListView1"), 1);
    EXPECT_TRUE(FileExists(NgLogPath()));
    const std::string cfg = FileBytes(copy_.Path("Kest.cfg"));
    EXPECT_EQ(Reset(true), question);
    EXPECT_EQ(Panel(), (V{"0", "0", "0", "0.00%"}));
    EXPECT_EQ(Rows("NgListView1"), 0);
    EXPECT_EQ(Rows("OkListView1"), 0);
    EXPECT_FALSE(FileExists(NgLogPath()));
    EXPECT_EQ(FileBytes(copy_.Path("Kest.cfg")), cfg) << "the reset writes no parameter file";
    // The next result starts again at serial 1.
    NoSignal(true);
    EXPECT_EQ(station_->Function(0), -7);
    NoSignal(false);
    Pump(100);
    ASSERT_EQ(Rows("NgListView1"), 1);
    EXPECT_EQ(Cell("NgListView1", 0, 0), "000001");
    EXPECT_EQ(Panel(), (V{"1", "0", "1", "0.00%"}));
}

TEST_F(StatisticsPanel, ThePagesTradeTheButtonsForTheLists) {
    Open({.rights = 0});
    // The lists' colours and column widths.
    EXPECT_EQ(static_cast<COLORREF>(SendMessageA(C("OkListView1"), LVM_GETTEXTCOLOR, 0, 0)),
              GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(static_cast<COLORREF>(SendMessageA(C("NgListView1"), LVM_GETTEXTCOLOR, 0, 0)),
              RGB(255, 0, 0));
    const int okWidths[] = {60, 60, 60, 60}, ngWidths[] = {60, 50, 50, 60, 60, 60};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(SendMessageA(C("OkListView1"), LVM_GETCOLUMNWIDTH, i, 0), okWidths[i]) << i;
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(SendMessageA(C("NgListView1"), LVM_GETCOLUMNWIDTH, i, 0), ngWidths[i]) << i;
    RECT client;
    GetClientRect(C("Panel1"), &client);
    const int mainHeight = BoundsInParent(C("MainPanel")).bottom;
    const int down = client.bottom - mainHeight - 2;
    Click(C("PageBig1"));
    if (down >= 200) {
        EXPECT_EQ(BoundsInParent(C("MainPanel")).bottom, mainHeight) << "no change";
    }
    EXPECT_TRUE(Shown(C("OkListView1")));
    EXPECT_TRUE(Shown(C("NgListView1")));
    EXPECT_FALSE(Shown(C("newAbout1")));
    EXPECT_FALSE(Shown(C("PageBig1")));
    EXPECT_TRUE(Shown(C("PageSmall1")));
    const RECT ok = BoundsInParent(C("OkListView1")), ng = BoundsInParent(C("NgListView1"));
    EXPECT_EQ(ok.left, 10);
    EXPECT_EQ(ok.top, 10);
    EXPECT_EQ(ng.left, 280);
    EXPECT_EQ(ok.bottom - ok.top, (down < 200 ? 200 : down) - 20);
    Click(C("PageSmall1"));
    EXPECT_FALSE(Shown(C("OkListView1")));
    EXPECT_TRUE(Shown(C("newAbout1")));
    EXPECT_TRUE(Shown(C("PageBig1")));

    // A window of the form's own size: DownPanel 150 high before the list
    // page, which takes 50 from MainPanel and makes the lists 180 high.
    ShowWindow(form_, SW_RESTORE);
    SetWindowPos(form_, nullptr, 0, 0, 938, 646, SWP_NOZORDER | SWP_NOMOVE);
    Pump(100);
    GetClientRect(C("Panel1"), &client);
    const int mainBefore = BoundsInParent(C("MainPanel")).bottom;
    const int downBefore = client.bottom - mainBefore - 2;
    if (downBefore >= 200)
        GTEST_SKIP() << "this screen leaves DownPanel " << downBefore << " high";
    Click(C("PageBig1"));
    const RECT main = BoundsInParent(C("MainPanel"));
    EXPECT_EQ(main.bottom, mainBefore - (200 - downBefore));
    const RECT list = BoundsInParent(C("OkListView1"));
    EXPECT_EQ(list.bottom - list.top, 180);
    EXPECT_EQ(BoundsInParent(C("PageBig1")).top, main.bottom - 32 - 8 + 5);
    Click(C("PageSmall1"));
    EXPECT_EQ(BoundsInParent(C("MainPanel")).bottom, 490);
}

// ---------------------------------------------------- host and buttons

class HostAndButtons : public OperatorStation {};

TEST_F(HostAndButtons, EveryBookedRowReachesItsListInOrderWhileButtonsRun) {
    Open({.rights = 0x100, .measuring = true});
    Export<GrabcardSimSetSourceFn>(grabcard_, "GrabcardSimSetSource")(GrabcardSourceNoSignal);
    constexpr int kCommands = 150;
    std::atomic<bool> done{false};
    std::thread host([&] {
        for (int i = 0; i < kCommands; ++i)
            station_->Function(i % 2);
        done = true;
    });
    int clicks = 0;
    while (!done) {
        Click(C(clicks++ % 2 ? "rightISetup2" : "rightISetup1"));
        Pump(1);
    }
    host.join();
    Pump(300);
    EXPECT_GT(clicks, 0);
    // Every host inspection was an NG: serials kCommands down to
    // kCommands - 49, each once, newest first.
    ASSERT_EQ(Rows("NgListView1"), 50);
    for (int row = 0; row < 50; ++row) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "%06d", kCommands - row);
        EXPECT_EQ(Cell("NgListView1", row, 0), serial) << row;
        EXPECT_EQ(Cell("NgListView1", row, 1), (kCommands - row) % 2 ? "@A*" : "@B*") << row;
    }
    EXPECT_EQ(Caption("sNg1"), std::to_string(kCommands));
    Export<GrabcardSimSetSourceFn>(grabcard_, "GrabcardSimSetSource")(GrabcardSourceScene);
}

namespace {

// The screen as the operator sees it, written as a 24-bit BMP.
void SaveScreen(const std::string& path) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    BitBlt(dc, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD size = static_cast<DWORD>(((w * 3 + 3) & ~3) * h);
    const DWORD headers = sizeof(BITMAPFILEHEADER) + sizeof bi.bmiHeader;
    BITMAPFILEHEADER fh{0x4D42, headers + size, 0, 0, headers};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    out.write(static_cast<const char*>(bits), size);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

} // namespace

TEST_F(StatisticsPanel, PicturesForLookingAt) {
    // Not a check of its own: pictures of both pages in both languages, for
    // a person to look at, when asked (the folder in OPERATOR_PICTURES).
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("OPERATOR_PICTURES", folder, sizeof folder))
        GTEST_SKIP() << "OPERATOR_PICTURES not set";
    Open({.rights = 0, .material = "drill-a", .okCount = 40, .ngCount = 3, .measuring = true});
    Show(kColumnM);
    ASSERT_EQ(station_->Function(2), static_cast<int32_t>(kMoveX * kPulsesPerMm));
    Show(kColumnM - kMoveX / kMmPerPixel);
    ASSERT_EQ(station_->Function(3), 0);
    const double target = kColumnM - kMoveX / kMmPerPixel - 0.5 / kMmPerPixel;
    for (int i = 0; i < 3; ++i) {
        Show(kColumnM);
        station_->Function(0);
        Show(target, 38.1, 0.3, 4.5);
        station_->Function(1);
    }
    NoSignal(true);
    station_->Function(0);
    NoSignal(false);
    Show(kColumnM, 38.18);
    station_->Function(0);
    Show(target, 38.18, 0.3, 4.5);
    station_->Function(1);
    for (const char* language : {"zh", "en"}) {
        Pump(300);
        SaveScreen(std::string(folder) + "\\" + language + "-buttons.bmp");
        Click(C("PageBig1"));
        Pump(300);
        SaveScreen(std::string(folder) + "\\" + language + "-lists.bmp");
        Click(C("PageSmall1"));
        ChooseLanguage([this] { Click(C("newLanguage1")); }, "English");
    }
}

namespace {
uint8_t WhitePicture(int, int) {
    return 255;
}
} // namespace

// The operator works the picture commands (image load, single grab, live
// start and stop) while a host thread inspects: every host answer is that of
// one whole picture, the drill's or the blank one's, never of a picture that
// was being replaced while it was measured.
TEST_F(HostAndButtons, OperatorsPictureCommandsLeaveEveryHostAnswerWhole) {
    Open({.rights = 0x100, .measuring = true});
    WriteGreyBmp(copy_.Path("IMG\\blank.bmp"), 640, 480, &WhitePicture);
    const auto chooseFile = [](const std::string& name) {
        return [name](HWND dialog) {
            Sleep(150);
            SetDlgItemTextA(dialog, cmb13, name.c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        };
    };
    // The drill's picture, from a single grab, kept as a file.
    ChooseMenuItem(form_, 200);
    Pump(100);
    {
        NextWindow hand("#32770", chooseFile("drill"));
        ChooseMenuItem(form_, 204);
        ASSERT_TRUE(hand.Seen());
    }
    const auto loadImage = [&](const char* file) {
        NextWindow hand("#32770", chooseFile(copy_.Path(file)));
        ChooseMenuItem(form_, 203);
        return hand.Seen();
    };
    // The answers of the two pictures, measured as they are (no grab).
    if (MenuItemByTag(form_, 304).checked)
        ChooseMenuItem(form_, 304);
    ASSERT_TRUE(loadImage("IMG\\drill.tif"));
    const int32_t drill = station_->Function(0);
    ASSERT_GE(drill, 0);
    ASSERT_TRUE(loadImage("IMG\\blank.bmp"));
    const int32_t blank = station_->Function(0);
    ASSERT_LT(blank, 0);
    // A fresh frame of the same drill may differ by its noise.
    const auto whole = [&](int32_t r) { return r == blank || std::abs(r - drill) <= 2; };

    std::atomic<bool> done{false};
    std::atomic<int> answers{0}, broken{0};
    std::atomic<int32_t> firstBroken{0};
    std::thread host([&] {
        while (!done) {
            const int32_t r = station_->Function(0);
            ++answers;
            if (!whole(r) && broken++ == 0)
                firstBroken = r;
        }
    });
    for (int round = 0; round < 4; ++round) {
        EXPECT_TRUE(loadImage(round % 2 ? "IMG\\blank.bmp" : "IMG\\drill.tif"));
        Pump(30);
        ChooseMenuItem(form_, 200);
        Pump(30);
        ChooseMenuItem(form_, 201);
        Pump(150);
        ChooseMenuItem(form_, 202);
        Pump(30);
    }
    done = true;
    host.join();
    EXPECT_GT(answers.load(), 8);
    EXPECT_EQ(broken.load(), 0) << "first broken answer " << firstBroken.load() << " (drill "
                                << drill << ", blank " << blank << ")";
}
