#include "tests/win32/station_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace testing_station {

std::string BuiltStationFolder() {
    std::string p = "Z:" + std::string(STATION_DIR_UNIX);
    for (char& c : p)
        if (c == '/')
            c = '\\';
    return p;
}

StationCopy::StationCopy() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    dir_ = std::string(temp) + "vardel-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount());
    if (!dir_.empty() && dir_.back() == '\\')
        dir_.pop_back();
    fs::copy(BuiltStationFolder(), dir_, fs::copy_options::recursive);
    SetCurrentDirectoryA(dir_.c_str());
}

StationCopy::~StationCopy() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    SetCurrentDirectoryA(temp);
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void StationCopy::WriteFile(const std::string& name, const std::string& text) const {
    std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
    out << text;
}

void StationCopy::RemoveFile(const std::string& name) const {
    DeleteFileA(Path(name).c_str());
}

Vardel::Vardel(const std::string& folder) {
    module = LoadLibraryA((folder + "\\vardel.dll").c_str());
    EXPECT_NE(module, nullptr) << "vardel.dll in " << folder;
    if (!module)
        return;
    std::string missing;
    EXPECT_TRUE(common::BindVardel(module, *this, &missing)) << "missing: " << missing;
}

Vardel::~Vardel() {
    if (module)
        FreeLibrary(module);
}

namespace {

struct FoundBoxes {
    DWORD pid;
    std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBox(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<FoundBoxes*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    char cls[32] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (pid == f->pid && std::string(cls) == "#32770" && IsWindowVisible(h))
        f->boxes.push_back(h);
    return TRUE;
}

} // namespace

MessageBoxOperator::MessageBoxOperator() {
    thread_ = std::thread([this] {
        while (!stop_) {
            FoundBoxes f{GetCurrentProcessId(), {}};
            EnumWindows(&CollectBox, reinterpret_cast<LPARAM>(&f));
            for (HWND box : f.boxes) {
                char text[1024] = {};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                {
                    std::lock_guard<std::mutex> g(mutex_);
                    texts_.push_back(text);
                }
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(f.boxes.empty() ? 30 : 300);
        }
    });
}

MessageBoxOperator::~MessageBoxOperator() {
    stop_ = true;
    thread_.join();
}

std::vector<std::string> MessageBoxOperator::Texts() {
    std::lock_guard<std::mutex> g(mutex_);
    return texts_;
}

namespace {

struct ClassSearch {
    DWORD pid;
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchClass(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<ClassSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (pid == s->pid && std::string(cls) == s->className) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CountChild(HWND, LPARAM lp) {
    ++*reinterpret_cast<std::size_t*>(lp);
    return TRUE;
}

struct WindowTally {
    DWORD pid;
    std::size_t count;
};

BOOL CALLBACK CountOwn(HWND h, LPARAM lp) {
    auto* t = reinterpret_cast<WindowTally*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == t->pid) {
        ++t->count;
        EnumChildWindows(h, &CountChild, reinterpret_cast<LPARAM>(&t->count));
    }
    return TRUE;
}

} // namespace

HWND FindOwnWindow(const char* className) {
    ClassSearch s{GetCurrentProcessId(), className, nullptr};
    EnumWindows(&MatchClass, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    for (;;) {
        const DWORD now = GetTickCount();
        if (static_cast<int32_t>(end - now) <= 0)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
}

bool WaitUntil(const std::function<bool()>& done, DWORD deadlineMs) {
    const DWORD end = GetTickCount() + deadlineMs;
    for (;;) {
        if (done())
            return true;
        const DWORD now = GetTickCount();
        if (static_cast<int32_t>(end - now) <= 0)
            return done();
        // Woken by a message, else asked again after a few milliseconds:
        // what is awaited may come from another thread without a message.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(end - now, 5), QS_ALLINPUT);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
}

std::size_t CommittedPrivateBytes() {
    std::size_t total = 0;
    MEMORY_BASIC_INFORMATION mbi;
    for (auto* p = static_cast<char*>(nullptr); VirtualQuery(p, &mbi, sizeof mbi) == sizeof mbi;
         p = static_cast<char*>(mbi.BaseAddress) + mbi.RegionSize) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE)
            total += mbi.RegionSize;
        if (static_cast<char*>(mbi.BaseAddress) + mbi.RegionSize < p)
            break;
    }
    return total;
}

std::size_t WindowCount() {
    WindowTally t{GetCurrentProcessId(), 0};
    EnumWindows(&CountOwn, reinterpret_cast<LPARAM>(&t));
    return t.count;
}

unsigned GdiHighWater() {
    std::vector<HGDIOBJ> probes;
    unsigned high = 0;
    for (int i = 0; i < 64; ++i) {
        HGDIOBJ o = CreateSolidBrush(RGB(i, 1, 2));
        probes.push_back(o);
        const unsigned index = static_cast<unsigned>(reinterpret_cast<uintptr_t>(o) & 0xFFFF);
        high = index > high ? index : high;
    }
    for (HGDIOBJ o : probes)
        DeleteObject(o);
    return high;
}

unsigned UserHighWater() {
    std::vector<HMENU> probes;
    unsigned high = 0;
    for (int i = 0; i < 64; ++i) {
        HMENU m = CreatePopupMenu();
        probes.push_back(m);
        const unsigned index = static_cast<unsigned>(reinterpret_cast<uintptr_t>(m) & 0xFFFF);
        high = index > high ? index : high;
    }
    for (HMENU m : probes)
        DestroyMenu(m);
    return high;
}

} // namespace testing_station
