// The one station of the process and the six functions the host calls.
#include "station/station.h"

#include "contracts/library_loader.h"
#include "station/host_command.h"
#include "station/rounding.h"
#include "ui/kit/window.h"
#include "ui/main_form.h"

#include <atomic>
#include <memory>

namespace station {
namespace {

struct StationState;
StationState& State();

// The window's way to the host's notification and the station lock.
class ProcessHostLink : public HostLink {
  public:
    Notify Notification() override { return HostNotification(); }
    int32_t UnderStationLock(const std::function<int32_t()>& command) override {
        return RunUnderStationLock(command);
    }
};

struct StationState {
    // Bound at the first successful open; released with the process (a
    // library must not be freed from within the unloading of vardel.dll).
    std::unique_ptr<OutsideLibraries> libs;
    ProcessHostLink hostLink;
    std::unique_ptr<TMainForm1> window; // set: the station is open
    Station* station = nullptr;         // the window's, for the host's commands
    std::atomic<VardelNotify> notify{nullptr};
    int32_t openStatus = 0;
    // The thread that opened the station owns its windows; a close from
    // another thread is handed to it through this message-only window.
    DWORD windowThread = 0;
    HWND closeRequests = nullptr;
};

constexpr UINT kCloseRequest = WM_APP + 40;
constexpr const char* kCloseRequestClass = "VardelCloseRequests";
// How long a close from another thread waits for the window's thread.
constexpr UINT kCloseWaitMs = 5000;

int32_t CloseOnThisThread();

LRESULT CALLBACK CloseRequestProcedure(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kCloseRequest) {
        try {
            return CloseOnThisThread();
        } catch (...) {
            kit::ReportHandlerFailure(msg, "closing the station");
            return 0;
        }
    }
    return DefWindowProcA(h, msg, wp, lp);
}

HWND CreateCloseRequestWindow() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(kit::ThisModule(), kCloseRequestClass, &wc)) {
        wc = WNDCLASSEXA{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &CloseRequestProcedure;
        wc.hInstance = kit::ThisModule();
        wc.lpszClassName = kCloseRequestClass;
        RegisterClassExA(&wc);
    }
    return CreateWindowExA(0, kCloseRequestClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           kit::ThisModule(), nullptr);
}

bool ThreadAlive(DWORD id) {
    HANDLE t = OpenThread(SYNCHRONIZE, FALSE, id);
    if (!t)
        return false;
    const bool alive = WaitForSingleObject(t, 0) == WAIT_TIMEOUT;
    CloseHandle(t);
    return alive;
}

StationState& State() {
    // Never destroyed: its libraries are the process's until it ends.
    static StationState* state = new StationState;
    return *state;
}

void ReportStartFailure(const std::string& why) {
    const std::string text = "vardel: the station cannot start: " + why;
    OutputDebugStringA((text + "\n").c_str());
    MessageBoxA(nullptr, text.c_str(), "vardel", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

} // namespace

int32_t Open() {
    StationState& s = State();
    if (s.window)
        return 0;
    s.openStatus = 0;
    // The libraries stay loaded once bound: a station closed and opened
    // again in one process starts them anew but does not reload them.
    if (!s.libs) {
        std::string problem;
        s.libs = LoadOutsideLibraries(kit::ThisModuleFolder(), &problem);
        if (!s.libs) {
            ReportStartFailure(problem);
            return -1;
        }
    }
    s.windowThread = GetCurrentThreadId();
    s.closeRequests = CreateCloseRequestWindow();
    s.window = std::make_unique<TMainForm1>(*s.libs, s.hostLink);
    s.station = &s.window->station();
    s.openStatus = s.window->StartupSequence(false);
    if (s.openStatus != 0)
        Close();
    return s.openStatus;
}

namespace {

int32_t CloseOnThisThread() {
    StationState& s = State();
    if (!s.window)
        return 0;
    s.window->ShutdownSequence();
    s.station = nullptr;
    s.window.reset();
    // Gone already when the window's thread has ended.
    if (s.closeRequests && IsWindow(s.closeRequests))
        DestroyWindow(s.closeRequests);
    s.closeRequests = nullptr;
    return 0;
}

} // namespace

int32_t Close() {
    StationState& s = State();
    if (!s.window)
        return 0;
    // The windows belong to the thread that opened the station: it closes
    // them.  When that thread has ended, so have its windows, and the rest
    // closes here.
    if (GetCurrentThreadId() != s.windowThread && ThreadAlive(s.windowThread)) {
        DWORD_PTR r = 0;
        if (!SendMessageTimeoutA(s.closeRequests, kCloseRequest, 0, 0, SMTO_NORMAL, kCloseWaitMs,
                                 &r)) {
            OutputDebugStringA("vardel: vardelClose: the thread that opened the station runs no "
                               "message loop; the station stays open\n");
            return result::kCloseNotAnswered;
        }
        return static_cast<int32_t>(r);
    }
    return CloseOnThisThread();
}

int32_t Dialog(int32_t language) {
    StationState& s = State();
    if (!s.window)
        return result::kNotOpen;
    if (language >= 0)
        s.window->params().op.LanguageIndex = language;
    s.window->ShowFromHost(CurrentSettings().dShowModal != 1);
    return 0;
}

int32_t Function(int32_t command) {
    StationState& s = State();
    if (!s.window)
        return result::kClosedStation;
    std::lock_guard<std::recursive_mutex> lock(s.station->lock());
    return s.station->Run(HostCommandFor(command), true);
}

void Callback(VardelNotify notify) {
    StationState& s = State();
    if (!s.window) {
        s.notify = notify;
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(s.station->lock());
    s.notify = notify;
}

int32_t GetParametr() {
    StationState& s = State();
    if (!s.window)
        return 0;
    return RoundHalfAway(s.station->params().station.InitMoveX * s.station->device().pulsePerMm);
}

VardelNotify HostNotification() {
    return State().notify.load();
}

int32_t RunUnderStationLock(const std::function<int32_t()>& command) {
    StationState& s = State();
    if (!s.window)
        return 0;
    std::lock_guard<std::recursive_mutex> lock(s.station->lock());
    return command();
}

void ReleaseModule() {
    // The host unloads vardel.dll: the window classes go with it.  The
    // station itself must have been closed before; nothing is torn down here.
    kit::UnregisterClasses();
}

} // namespace station
