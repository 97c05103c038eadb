// The main window's alphanumeric keypad through the real station: a save
// dialog opened from the menu brings it to the window's bottom-left corner,
// an operator's hand on a second thread presses its keys (mouse messages on
// the keys' own windows) while the window's thread sits in the dialog, and
// the dialog's file-name field shows what was typed; the saved file carries
// that name.
#include "tests/win32/measuring_recipe.h"
#include "tests/win32/station_fixture.h"
#include "tests/win32/window_probe.h"

#include "params/parameter_set.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// After windows.h.
#include <commdlg.h>
#include <dlgs.h>

using namespace testing_station;

namespace {

const char* kIni = "[Basic]\r\nInitGrab=0\r\nMmPerPixel=0.01\r\ndShowModal=1\r\nGrabNumber=1\r\n"
                   "[Motion]\r\nPitchX=5\r\nPulseX=10000\r\n";

constexpr uint32_t kSaves = 0x180; // rights that offer both save commands
constexpr int kSaveMaterialAs = 102;
constexpr int kGrab = 200;
constexpr int kSaveImage = 204;

// The hyphenation point in code page 950: the decimal-point key's caption.
constexpr const char* kPoint = "\xA1\x45";

// The keypad as its form describes it: name, caption, what the key types
// ('\0': nothing, it is never offered), place and size.
struct Key {
    std::string name, caption;
    char types;
    int left, top, width;
    bool bold = true;
};

std::vector<Key> KeyTable() {
    std::vector<Key> keys;
    const std::string digits = "1234567890";
    for (int i = 0; i < 10; ++i)
        keys.push_back(
            {"N" + digits.substr(i, 1), digits.substr(i, 1), digits[i], 8 + 32 * i, 16, 25});
    // The letter rows, each shifted half a key further right.
    const struct {
        std::string letters;
        int left, top;
    } rows[] = {{"QWERTYUIOP", 24, 48}, {"ASDFGHJKL", 40, 80}, {"ZXCVBNM", 56, 112}};
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.letters.size(); ++i)
            keys.push_back({"Key" + row.letters.substr(i, 1), row.letters.substr(i, 1),
                            row.letters[i], row.left + 32 * static_cast<int>(i), row.top, 25});
    keys.push_back({"KeyPoint", kPoint, '.', 176, 152, 25});
    keys.push_back({"KeyMinus", "-", '-', 208, 152, 25});
    keys.push_back({"Backspace", "Backspace", '\b', 242, 152, 95, false});
    keys.push_back({"CapsLock", "CapsLock", '\0', 8, 152, 95, false});
    return keys;
}

// The window with the keyboard focus, and the active one, on w's thread.
GUITHREADINFO ThreadInfo(HWND w) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info);
    return info;
}

// Waits, up to ms, until done holds.
bool WaitFor(const std::function<bool()>& done, DWORD ms = 10000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(20);
    }
    return true;
}

// The screen's pixels of a rectangle into a 24-bit BMP.
std::vector<COLORREF> gPixels;
int gPixelsWidth = 0;
COLORREF PixelAt(int x, int y) {
    return gPixels[static_cast<std::size_t>(y) * gPixelsWidth + x];
}
bool SaveScreen(const RECT& r, const std::string& path) {
    // Pixel by pixel: a BitBlt from the screen gives black under Wine's
    // display driver here.
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    gPixels.assign(static_cast<std::size_t>(w) * h, 0);
    gPixelsWidth = w;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            gPixels[static_cast<std::size_t>(y) * w + x] = GetPixel(screen, r.left + x, r.top + y);
    ReleaseDC(nullptr, screen);
    WriteColourBmp(path, w, h, &PixelAt);
    return true;
}

// ------------------------------------------------------------- fixture

class ScreenKeyboard : public ::testing::Test {
  protected:
    void SetUp() override {
        station::ParameterSet p;
        p.SetDefaults(1);
        p.op.OperatorRights = kSaves;
        std::memset(p.station.MaterialName.data(), 0, p.station.MaterialName.size());
        std::memcpy(p.station.MaterialName.data(), "drill", 5);
        copy_.WriteFile("Kest.INI", kIni);
        copy_.WriteFile("Kest.cfg", ParameterFileBytes(p));
        station_ = std::make_unique<Vardel>(copy_.dir());
        ASSERT_EQ(station_->Open(), 0);
        ASSERT_EQ(station_->Dialog(-1), 0);
        form_ = FindOwnWindow("TMainForm1");
        ASSERT_NE(form_, nullptr);
        keypad_ = FindOwnWindow("TKeyboard2Char");
        ASSERT_NE(keypad_, nullptr);
        Pump(100);
    }
    void TearDown() override {
        if (station_)
            station_->Close();
    }

    HWND KeyOf(const std::string& name) const {
        HWND h = FindComponent(keypad_, name.c_str());
        EXPECT_NE(h, nullptr) << name;
        return h;
    }

    // Chooses the menu item of tag (on this, the window's thread) and runs
    // operate on a second thread once its file dialog and the keypad show,
    // with the dialog and its file-name field; operate ends the dialog.
    void OperateSaveDialog(int tag, const std::function<void(HWND, HWND)>& operate) {
        std::atomic<bool> shown{false}, done{false};
        std::thread hand([&] {
            struct Done {
                std::atomic<bool>& flag;
                ~Done() { flag = true; }
            } finished{done};
            HWND dialog = nullptr;
            if (!WaitFor([&] { return (dialog = VisibleOwnWindow("#32770")) != nullptr; }, 60000)) {
                ADD_FAILURE() << "no file dialog came up for menu tag " << tag;
                return;
            }
            shown = true;
            HWND name = GetDlgItem(dialog, cmb13);
            // The dialog's own start ends with the focus in its name field.
            const bool focused = WaitFor([&] {
                HWND f = ThreadInfo(dialog).hwndFocus;
                return f && (f == name || IsChild(name, f));
            });
            EXPECT_TRUE(focused) << "the file-name field has the focus";
            EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(keypad_) != FALSE; }))
                << "the keypad comes up with the save dialog";
            operate(dialog, name);
            if (!WaitFor([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); })) {
                ADD_FAILURE() << "the file dialog was left open";
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            }
        });
        ChooseMenuItem(form_, tag);
        // A hand still at work after the dialog closed may still press keys,
        // whose windows this thread serves.
        while (!done)
            Pump(20);
        hand.join();
        EXPECT_TRUE(shown) << "menu tag " << tag;
        Pump(50);
    }

    // Presses every key the operator can see, each by a click on its own
    // window, and checks after each what the name field shows and that the
    // focus stayed in the field.  Returns the text at the end.
    std::string PressEveryKey(HWND dialog, HWND name, const std::string& start) {
        const HWND focus = ThreadInfo(dialog).hwndFocus;
        std::string expected = start;
        std::vector<Key> order;
        for (const Key& k : KeyTable())
            if (k.types != '\0' && k.types != '.' && k.types != '\b')
                order.push_back(k);
        // The point, then backspace takes it away again.
        for (const Key& k : KeyTable())
            if (k.types == '.')
                order.push_back(k);
        for (const Key& k : KeyTable())
            if (k.types == '\b')
                order.push_back(k);
        EXPECT_EQ(order.size(), 39u) << "36 digits and letters, point, minus, backspace";
        for (const Key& k : order) {
            const std::size_t before = TextOf(name).size();
            Click(KeyOf(k.name));
            if (k.types == '\b') {
                EXPECT_FALSE(expected.empty());
                if (!expected.empty())
                    expected.pop_back();
                EXPECT_EQ(TextOf(name).size(), before - 1) << "backspace deletes one character";
            } else {
                expected += k.types;
            }
            EXPECT_EQ(TextOf(name), expected) << "after " << k.name;
            const GUITHREADINFO now = ThreadInfo(dialog);
            EXPECT_EQ(now.hwndFocus, focus) << "the key " << k.name << " took the focus";
            EXPECT_EQ(now.hwndActive, dialog) << "the key " << k.name << " took the activation";
        }
        EXPECT_NE(GetForegroundWindow(), keypad_);
        return TextOf(name);
    }

    // Waits until the screen shows the keypad's own colour between its keys.
    bool WaitPainted() const {
        POINT between{2, 2};
        ClientToScreen(keypad_, &between);
        return WaitFor([&] {
            HDC screen = GetDC(nullptr);
            const COLORREF c = GetPixel(screen, between.x, between.y);
            ReleaseDC(nullptr, screen);
            return c == RGB(204, 153, 255);
        });
    }

    // The caret to the end of the name field's text, as a touch there puts it.
    static void CaretToEnd(HWND dialog) {
        HWND focus = ThreadInfo(dialog).hwndFocus;
        const int n = GetWindowTextLengthA(focus);
        SendMessageA(focus, EM_SETSEL, static_cast<WPARAM>(n), static_cast<LPARAM>(n));
    }

    StationCopy copy_;
    std::unique_ptr<Vardel> station_;
    HWND form_ = nullptr;
    HWND keypad_ = nullptr;
};

} // namespace

TEST_F(ScreenKeyboard, KeysStandAsTheFormDescribesThem) {
    EXPECT_EQ(GetWindow(keypad_, GW_OWNER), form_);
    EXPECT_FALSE(IsWindowVisible(keypad_)) << "hidden until a save dialog opens";
    EXPECT_EQ(TextOf(keypad_), "Keyboard...");
    RECT client{};
    GetClientRect(keypad_, &client);
    EXPECT_EQ(client.right, 370);
    EXPECT_EQ(client.bottom, 191);
    const LONG style = GetWindowLongA(keypad_, GWL_STYLE);
    EXPECT_TRUE(style & WS_DLGFRAME) << "fixed dialog border";
    EXPECT_FALSE(style & WS_THICKFRAME);
    const std::vector<Key> keys = KeyTable();
    EXPECT_EQ(keys.size(), 40u);
    for (const Key& k : keys) {
        HWND h = KeyOf(k.name);
        if (!h)
            continue;
        EXPECT_EQ(GetParent(h), keypad_) << k.name;
        const RECT r = BoundsInParent(h);
        EXPECT_EQ(r.left, k.left) << k.name;
        EXPECT_EQ(r.top, k.top) << k.name;
        EXPECT_EQ(r.right - r.left, k.width) << k.name;
        EXPECT_EQ(r.bottom - r.top, 25) << k.name;
        EXPECT_EQ(TextOf(h), k.caption) << k.name;
        const LOGFONTA font = FontOf(h);
        EXPECT_STREQ(font.lfFaceName, "MS Sans Serif") << k.name;
        EXPECT_EQ(std::abs(font.lfHeight), 16) << k.name;
        EXPECT_EQ(font.lfWeight, k.bold ? FW_BOLD : FW_NORMAL) << k.name;
        const bool offered = k.types != '\0';
        EXPECT_EQ(Shown(h), offered) << k.name;
        EXPECT_EQ(IsWindowEnabled(h) != FALSE, offered) << k.name;
    }
}

TEST_F(ScreenKeyboard, TypesIntoTheWindowThatHadTheFocusWhenItCameUp) {
    // Two edits of this thread, the station window's thread.
    const auto make = [](int left) {
        return CreateWindowExA(0, "EDIT", "", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, left, 100,
                               200, 60, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    };
    HWND first = make(100), second = make(400);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    SetForegroundWindow(first);
    SetFocus(first);
    ASSERT_EQ(GetFocus(), first);
    // Never shown: no target, a key does nothing.
    Click(KeyOf("N1"));
    Click(KeyOf("KeyA"));
    EXPECT_EQ(TextOf(first), "");
    // Shown while the first edit has the focus: that edit is the target,
    // whatever has the focus when the keys are pressed.
    ShowWindow(keypad_, SW_SHOWNOACTIVATE);
    EXPECT_EQ(GetFocus(), first) << "the keypad takes no focus as it comes up";
    SetFocus(second);
    for (const char* k : {"N5", "KeyPoint", "KeyZ", "KeyMinus"})
        Click(KeyOf(k));
    EXPECT_EQ(TextOf(first), "5.Z-");
    EXPECT_EQ(TextOf(second), "");
    // Shown again with the focus in the second edit: the target follows.
    ShowWindow(keypad_, SW_HIDE);
    ShowWindow(keypad_, SW_SHOWNOACTIVATE);
    Click(KeyOf("Backspace"));
    Click(KeyOf("N9"));
    EXPECT_EQ(TextOf(second), "9");
    EXPECT_EQ(TextOf(first), "5.Z-");
    // The close box only hides it.
    SendMessageA(keypad_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(keypad_));
    EXPECT_FALSE(IsWindowVisible(keypad_));
    DestroyWindow(first);
    DestroyWindow(second);
}

TEST_F(ScreenKeyboard, EveryKeyTypesIntoTheImageSaveDialogsNameField) {
    ChooseMenuItem(form_, kGrab); // a picture in the image memory
    Pump(100);
    RECT window{};
    GetWindowRect(form_, &window);
    OperateSaveDialog(kSaveImage, [&](HWND dialog, HWND name) {
        RECT keys{};
        GetWindowRect(keypad_, &keys);
        EXPECT_EQ(keys.left, window.left + 4) << "at the window's left edge";
        EXPECT_EQ(keys.bottom, window.bottom - 5) << "at the window's bottom edge";
        EXPECT_TRUE(WaitPainted()) << "the keypad's lilac between the keys";

        ASSERT_EQ(TextOf(name), "") << "the image dialog proposes no name";
        const std::string typed = PressEveryKey(dialog, name, "");
        EXPECT_EQ(typed, "1234567890QWERTYUIOPASDFGHJKLZXCVBNM-");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_FALSE(IsWindowVisible(keypad_)) << "closed with the dialog";
    const std::string saved = copy_.Path("IMG\\1234567890QWERTYUIOPASDFGHJKLZXCVBNM-.tif");
    EXPECT_NE(GetFileAttributesA(saved.c_str()), INVALID_FILE_ATTRIBUTES) << saved;

    // The next showing takes its target anew: the new dialog's field.
    OperateSaveDialog(kSaveImage, [&](HWND dialog, HWND name) {
        ASSERT_EQ(TextOf(name), "");
        for (const char* k : {"N4", "KeyPoint", "KeyB"})
            Click(KeyOf(k));
        EXPECT_EQ(TextOf(name), "4.B");
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(IsWindowVisible(keypad_));
}

TEST_F(ScreenKeyboard, EveryKeyTypesIntoTheMaterialSaveDialogsNameField) {
    OperateSaveDialog(kSaveMaterialAs, [&](HWND dialog, HWND name) {
        ASSERT_TRUE(WaitFor([&] { return TextOf(name) == "drill"; }))
            << "the current material proposed: " << TextOf(name);
        CaretToEnd(dialog);
        const std::string typed = PressEveryKey(dialog, name, "drill");
        EXPECT_EQ(typed, "drill1234567890QWERTYUIOPASDFGHJKLZXCVBNM-");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_FALSE(IsWindowVisible(keypad_));
    const std::string saved = copy_.Path("CONFIG\\drill1234567890QWERTYUIOPASDFGHJKLZXCVBNM-.rec");
    EXPECT_NE(GetFileAttributesA(saved.c_str()), INVALID_FILE_ATTRIBUTES) << saved;
}

// Not a check of its own: with DIALOG_PICTURES naming a folder, the save
// dialog with the keypad below it is copied from the screen there.
TEST_F(ScreenKeyboard, PictureForLookingAt) {
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("DIALOG_PICTURES", folder, sizeof folder))
        GTEST_SKIP() << "DIALOG_PICTURES not set";
    OperateSaveDialog(kSaveImage, [&](HWND dialog, HWND name) {
        for (const char* k : {"KeyD", "KeyR", "KeyI", "KeyL", "KeyL", "N7"})
            Click(KeyOf(k));
        EXPECT_EQ(TextOf(name), "DRILL7");
        EXPECT_TRUE(WaitPainted());
        RECT keys{}, d{}, all{};
        GetWindowRect(keypad_, &keys);
        GetWindowRect(dialog, &d);
        UnionRect(&all, &keys, &d);
        InflateRect(&all, 6, 6);
        EXPECT_TRUE(SaveScreen(all, std::string(folder) + "\\keypad-char.bmp"));
        InflateRect(&keys, 6, 6);
        EXPECT_TRUE(SaveScreen(keys, std::string(folder) + "\\keypad-char-alone.bmp"));
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
}
