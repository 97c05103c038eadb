#include "win32/adapters.h"

#include "imaging/settings.h"

#include <shellapi.h>

namespace station {

bool GrabcardCapture::Init() {
    int32_t colour = 0;
    api_.Init(&colour);
    return colour != 0;
}

void GrabcardCapture::RegisterGrabFinished() {
    api_.SetGrabFinishFun(0, onFrame_);
    api_.SetWaitMehod(0, 1);
}

std::optional<std::vector<uint8_t>> DiskFiles::Read(const std::string& path, std::size_t max) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::vector<uint8_t> bytes(max);
    std::size_t got = 0;
    while (got < max) {
        DWORD n = 0;
        if (!ReadFile(f, bytes.data() + got, static_cast<DWORD>(max - got), &n, nullptr) || n == 0)
            break;
        got += n;
    }
    CloseHandle(f);
    bytes.resize(got);
    return bytes;
}

bool DiskFiles::Replace(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string fresh = path + ".new";
    HANDLE f = CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    std::size_t put = 0;
    bool ok = true;
    while (ok && put < bytes.size()) {
        DWORD n = 0;
        ok =
            WriteFile(f, bytes.data() + put, static_cast<DWORD>(bytes.size() - put), &n, nullptr) &&
            n > 0;
        put += n;
    }
    ok = ok && FlushFileBuffers(f);
    ok = CloseHandle(f) && ok;
    ok = ok && MoveFileExA(fresh.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileA(fresh.c_str());
    return ok;
}

SystemClock::SystemClock() {
    char value[8] = {};
    if (GetEnvironmentVariableA("VARDEL_TEST_WAITS", value, sizeof value) && value[0] == '0')
        waits_ = false;
}

ClockPort::LocalTime SystemClock::Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool DiskFiles::Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DiskFiles::Append(const std::string& path, const std::string& bytes) {
    HANDLE f = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD n = 0;
    const BOOL wrote = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    const BOOL closed = CloseHandle(f);
    // A row that did not reach the disk whole is a lost row.
    return wrote && closed && n == bytes.size();
}

void MessageBoxes::Message(const std::string& text, const std::string& caption, Kind kind) {
    {
        std::lock_guard<std::mutex> g(lock_);
        if (laterDepth_ > 0 && laterThread_ == GetCurrentThreadId()) {
            waiting_.push_back({text, caption, kind});
            return;
        }
    }
    Show({text, caption, kind});
}

void MessageBoxes::Show(const Waiting& m) const {
    const UINT icon = m.kind == Kind::Warning ? MB_ICONWARNING
                      : m.kind == Kind::Error ? MB_ICONERROR
                                              : MB_ICONINFORMATION;
    MessageBoxA(GetFocus(), m.text.c_str(), m.caption.c_str(), MB_OK | icon);
}

MessageBoxes::Later::Later(MessageBoxes& boxes) : boxes_(boxes) {
    std::lock_guard<std::mutex> g(boxes_.lock_);
    // One thread at a time: the window's; another thread's messages show.
    if (boxes_.laterDepth_ == 0 || boxes_.laterThread_ == GetCurrentThreadId()) {
        boxes_.laterThread_ = GetCurrentThreadId();
        ++boxes_.laterDepth_;
    }
}

MessageBoxes::Later::~Later() {
    std::vector<Waiting> shown;
    {
        std::lock_guard<std::mutex> g(boxes_.lock_);
        if (boxes_.laterThread_ != GetCurrentThreadId() || --boxes_.laterDepth_ > 0)
            return;
        boxes_.laterThread_ = 0;
        shown.swap(boxes_.waiting_);
    }
    for (const Waiting& m : shown)
        boxes_.Show(m);
}

bool MessageBoxes::Confirm(HWND owner, const std::string& text, const std::string& caption) {
    return MessageBoxA(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void ShellOpener::Open(HWND owner, const std::string& file) {
    ShellExecuteA(owner, "Open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::string ProfileSettings::Get(const char* section, const char* key) {
    char buffer[kSettingMaxChars + 1] = {};
    GetPrivateProfileStringA(section, key, kSettingMissing, buffer, sizeof buffer, path_.c_str());
    buffer[kSettingMaxChars] = 0;
    return buffer;
}

} // namespace station
