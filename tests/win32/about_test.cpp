// About.dll through its one export: the about window opened over a window of
// the test, its texts read back through the Windows API by an operator
// thread, and the build's version compared with the DLL's version resource.
#include "contracts/about.h"
#include "libs/about/about_form.h"
#include "tests/win32/station_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

using namespace testing_station;

namespace {

class AboutDll {
  public:
    AboutDll() {
        module_ = LoadLibraryA((BuiltStationFolder() + "\\About.dll").c_str());
        if (module_)
            show = reinterpret_cast<ShowBasicAboutFormFn>(
                reinterpret_cast<void*>(GetProcAddress(module_, "ShowBasicAboutForm")));
    }
    ~AboutDll() {
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE module() const { return module_; }
    ShowBasicAboutFormFn show = nullptr;

  private:
    HMODULE module_ = nullptr;
};

// What the operator saw in the about window before closing it.
struct Seen {
    bool found = false;
    bool ownerDisabled = false;
    std::string caption;
    std::vector<std::string> texts; // system name, version, author, date, build
};

std::string ControlText(HWND w, int id) {
    char text[512] = {};
    SendMessageA(GetDlgItem(w, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

// Reads the window, then closes it with the given message.
std::thread Look(Seen& seen, HWND owner, UINT msg, WPARAM wp) {
    return std::thread([&seen, owner, msg, wp] {
        HWND w = nullptr;
        if (!WaitUntil([&] { return (w = FindOwnWindow(about::kAboutFormClass)) != nullptr; },
                       5000))
            return;
        // Up, and modal to its owner: then its texts are there to read.
        WaitUntil([&] { return IsWindowVisible(w) && !(owner && IsWindowEnabled(owner)); }, 2000);
        seen.found = true;
        seen.ownerDisabled = owner && !IsWindowEnabled(owner);
        char caption[256] = {};
        GetWindowTextA(w, caption, sizeof caption);
        seen.caption = caption;
        for (int id : {about::kSystemNameId, about::kVersionId, about::kAuthorId, about::kDateId,
                       about::kBuildId})
            seen.texts.push_back(ControlText(w, id));
        if (msg == WM_KEYDOWN)
            PostMessageA(GetDlgItem(w, IDOK), msg, wp, 0);
        else if (msg == BM_CLICK)
            PostMessageA(GetDlgItem(w, IDOK), BM_CLICK, 0, 0);
        else
            PostMessageA(w, msg, wp, 0);
    });
}

class OwnerWindow {
  public:
    OwnerWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "AboutTestOwner";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, wc.lpszClassName, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                               10, 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
        SetActiveWindow(hwnd);
        Pump(30);
    }
    ~OwnerWindow() { DestroyWindow(hwnd); }
    HWND hwnd;
};

// A string of the DLL file's version resource.
std::string FileVersionString(const std::string& file, const char* key) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0)
        return "";
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data()))
        return "";
    void* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + key;
    if (!VerQueryValueA(block.data(), path.c_str(), &value, &length) || !value)
        return "";
    return static_cast<const char*>(value);
}

} // namespace

TEST(About, ExportsExactlyShowBasicAboutForm) {
    AboutDll dll;
    ASSERT_NE(dll.module(), nullptr);
    ASSERT_NE(dll.show, nullptr);
    auto* base = reinterpret_cast<const uint8_t*>(dll.module());
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    const auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    ASSERT_EQ(exports->NumberOfNames, 1u);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    EXPECT_STREQ(reinterpret_cast<const char*>(base + names[0]), "ShowBasicAboutForm");
}

TEST(About, ShowsTheFiveTextsAndTheBuildVersion) {
    struct Case {
        const char* caption;
        const char* system;
        const char* version;
        const char* author;
        const char* date;
        UINT close;
        WPARAM wp;
    };
    const Case cases[] = {
        {"關於...", "鑽針套環檢測系統", "2.03_", "Vardel station team", "2012-03-19", BM_CLICK, 0},
        {"About", "Ring-setting inspection", "9.9", "A&B <author>", "1999-12-31", WM_CLOSE, 0},
        {"x", "", "", "", "", WM_KEYDOWN, VK_ESCAPE},
        {"y", "s", "v", "a", "d", WM_KEYDOWN, VK_RETURN},
    };
    AboutDll dll;
    ASSERT_NE(dll.show, nullptr);
    char file[MAX_PATH] = {};
    GetModuleFileNameA(dll.module(), file, sizeof file);
    EXPECT_EQ(FileVersionString(file, "FileVersion"), STATION_VERSION_TEXT);
    EXPECT_EQ(FileVersionString(file, "ProductName"), STATION_PRODUCT_TEXT);
    for (const Case& k : cases) {
        SCOPED_TRACE(k.caption);
        OwnerWindow owner;
        Seen seen;
        std::thread t = Look(seen, owner.hwnd, k.close, k.wp);
        dll.show(k.caption, k.system, k.version, k.author, k.date);
        t.join();
        ASSERT_TRUE(seen.found) << "the about window opened";
        EXPECT_TRUE(seen.ownerDisabled) << "modal over the caller's window";
        EXPECT_TRUE(IsWindowEnabled(owner.hwnd)) << "and the caller's window enabled after";
        EXPECT_EQ(FindOwnWindow(about::kAboutFormClass), nullptr) << "closed";
        EXPECT_EQ(seen.caption, k.caption);
        ASSERT_EQ(seen.texts.size(), 5u);
        EXPECT_EQ(seen.texts[0], k.system);
        EXPECT_EQ(seen.texts[1], k.version);
        EXPECT_EQ(seen.texts[2], k.author);
        EXPECT_EQ(seen.texts[3], k.date);
        EXPECT_EQ(seen.texts[4], std::string(STATION_PRODUCT_TEXT) + " " + STATION_VERSION_TEXT);
    }
}

TEST(About, NullTextsShowAsEmpty) {
    AboutDll dll;
    ASSERT_NE(dll.show, nullptr);
    Seen seen;
    std::thread t = Look(seen, nullptr, WM_CLOSE, 0);
    dll.show(nullptr, nullptr, nullptr, nullptr, nullptr);
    t.join();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, "");
    ASSERT_EQ(seen.texts.size(), 5u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(seen.texts[i], "") << i;
    EXPECT_NE(seen.texts[4].find(STATION_VERSION_TEXT), std::string::npos)
        << "the build's version is shown all the same";
    // Mixed: only the given texts appear.
    Seen mixed;
    std::thread u = Look(mixed, nullptr, WM_CLOSE, 0);
    dll.show("About", nullptr, "2.03_", nullptr, "2012-03-19");
    u.join();
    ASSERT_EQ(mixed.texts.size(), 5u);
    EXPECT_EQ(mixed.texts[0], "");
    EXPECT_EQ(mixed.texts[1], "2.03_");
    EXPECT_EQ(mixed.texts[2], "");
    EXPECT_EQ(mixed.texts[3], "2012-03-19");
}

TEST(About, PictureForLookingAt) {
    // Not a check of its own: when LOGIN_PICTURES names a folder, the about
    // window is copied from the screen into about.bmp there.
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("LOGIN_PICTURES", folder, sizeof folder))
        GTEST_SKIP() << "LOGIN_PICTURES not set";
    AboutDll dll;
    ASSERT_NE(dll.show, nullptr);
    bool saved = false;
    std::thread t([&] {
        HWND w = nullptr;
        for (int i = 0; i < 250 && !w; ++i) {
            Sleep(20);
            w = FindOwnWindow(about::kAboutFormClass);
        }
        if (!w)
            return;
        Sleep(700);
        RECT r{};
        GetWindowRect(w, &r);
        InflateRect(&r, 8, 8);
        const int width = r.right - r.left, height = r.bottom - r.top;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        saved = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        const int stride = (width * 3 + 3) & ~3;
        BITMAPFILEHEADER fh{};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + stride * height;
        std::ofstream out(std::string(folder) + "\\about.bmp", std::ios::binary);
        out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
        out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
        out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * height);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        PostMessageA(w, WM_CLOSE, 0, 0);
    });
    dll.show("關於...", "鑽針套環檢測系統", "2.03_", "Vardel station team", "2012-03-19");
    t.join();
    EXPECT_TRUE(saved);
}
