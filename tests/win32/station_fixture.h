// What the Windows tests share: a private copy of the station folder, the
// station DLL bound through its exports, and an operator who answers message
// boxes.
#pragma once

#include "common/vardel_api.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_station {

// The assembled station folder of the build, as a Windows path.
std::string BuiltStationFolder();

// A copy of the station folder in the temporary directory, made the
// process's current directory (the station's working directory).
class StationCopy {
  public:
    StationCopy();
    ~StationCopy();
    const std::string& dir() const { return dir_; }
    std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
    void WriteFile(const std::string& name, const std::string& text) const;
    void RemoveFile(const std::string& name) const;

  private:
    std::string dir_;
};

typedef void(__stdcall* Notify)(int32_t, int32_t);

// vardel.dll loaded from a folder and bound by name, as a host does.
struct Vardel : common::VardelApi {
    explicit Vardel(const std::string& folder);
    ~Vardel();
    Vardel(const Vardel&) = delete;
    Vardel& operator=(const Vardel&) = delete;
    HMODULE module = nullptr;
};

// Presses OK on every message box of this process and keeps its text.
class MessageBoxOperator {
  public:
    MessageBoxOperator();
    ~MessageBoxOperator();
    std::vector<std::string> Texts();

  private:
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> texts_;
    std::thread thread_;
};

// The top-level window of a class in this process, or null.
HWND FindOwnWindow(const char* className);

// Runs the calling thread's message loop for ms milliseconds.
void Pump(DWORD ms);

// Runs the calling thread's message loop until done() holds, at most
// deadlineMs milliseconds; whether it holds.  done() is asked at once, after
// every batch of messages and every few milliseconds.
bool WaitUntil(const std::function<bool()>& done, DWORD deadlineMs);

// Committed private memory of this process, in bytes.
std::size_t CommittedPrivateBytes();

// Window handles of this process (top-level and children).
std::size_t WindowCount();

// The highest handle index a fresh batch of GDI (or USER) objects gets: it
// grows when objects leak, because leaked slots are never reused.
unsigned GdiHighWater();
unsigned UserHighWater();

} // namespace testing_station
