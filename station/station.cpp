// The one station of the process and the six functions the host calls.
#include "station/station.h"

#include "contracts/library_loader.h"
#include "station/host_command.h"
#include "station/rounding.h"
#include "station/station_gate.h"
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
    std::recursive_mutex& StationLock() override;
};

struct StationState {
    // Bound at the first successful open; released with the process (a
    // library must not be freed from within the unloading of vardel.dll).
    std::unique_ptr<OutsideLibraries> libs;
    ProcessHostLink hostLink;
    // Host calls pass it; the station lock is its.  Outlives every station.
    StationGate gate;
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
// How long a close or a show from another thread waits for the window's
// thread.
constexpr UINT kCloseWaitMs = 5000;
// The window's thread is inside one of the station's own handlers (an
// operator's dialog, a message box, a button's command): the station cannot
// be taken down under it.  A close from another thread asks again until its
// time is up.
constexpr int32_t kCloseInsideHandler = -100;

int32_t CloseOnThisThread();

LRESULT CALLBACK CloseRequestProcedure(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kCloseRequest) {
        try {
            return CloseOnThisThread();
        } catch (...) {
            kit::ReportHandlerFailure(msg, "closing the station");
            return kCloseInsideHandler;
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

// Answers the messages that other threads send to this one, and nothing
// else: a host call that waits for the window's thread gets its answer
// while this thread waits for that call.
void AnswerSentMessages() {
    MSG m;
    PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
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
    s.gate.Open();
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
    // Called from within one of the station's handlers (the host's
    // notification from a button, a message loop of an operator's dialog):
    // the window is still in use further up this thread.
    if (kit::HandlerDepth() > 0) {
        OutputDebugStringA("vardel: vardelClose: the station's window is busy on its thread; "
                           "not closed now\n");
        return kCloseInsideHandler;
    }
    // No host call enters from now on; the one inside finishes first.
    s.gate.Shut(&AnswerSentMessages);
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
        const ULONGLONG until = GetTickCount64() + kCloseWaitMs;
        for (;;) {
            const ULONGLONG now = GetTickCount64();
            DWORD_PTR r = 0;
            if (now >= until ||
                !SendMessageTimeoutA(s.closeRequests, kCloseRequest, 0, 0, SMTO_NORMAL,
                                     static_cast<UINT>(until - now), &r)) {
                OutputDebugStringA("vardel: vardelClose: the thread that opened the station "
                                   "does not answer; the station stays open\n");
                return result::kCloseNotAnswered;
            }
            if (static_cast<int32_t>(r) != kCloseInsideHandler)
                return static_cast<int32_t>(r);
            Sleep(20);
        }
    }
    const int32_t r = CloseOnThisThread();
    return r == kCloseInsideHandler ? result::kCloseNotAnswered : r;
}

namespace {

// The window's thread shows the window when it is asked, within the time a
// close waits; false when it does not answer (hangs, or runs no loop).
bool AskToShow(HWND window, bool modal) {
    DWORD_PTR r = 0;
    return SendMessageTimeoutA(window, TMainForm1::kShowRequest, modal ? 1 : 0, 0,
                               SMTO_NORMAL | SMTO_ABORTIFHUNG, kCloseWaitMs, &r) != 0;
}

bool Shown(HWND window) {
    return IsWindow(window) && IsWindowVisible(window);
}

// A modal show asked of another thread: returns when the window is hidden
// or gone, or with the window's thread no longer answering (ended, or hung
// for the time a close waits).
int32_t WaitWhileShown(HWND window, DWORD thread) {
    HANDLE t = OpenThread(SYNCHRONIZE, FALSE, thread);
    int32_t r = 0;
    for (ULONGLONG nextProbe = 0; Shown(window);) {
        if (t && WaitForSingleObject(t, 20) == WAIT_OBJECT_0) {
            r = result::kCloseNotAnswered;
            break;
        }
        if (!t)
            Sleep(20);
        const ULONGLONG now = GetTickCount64();
        if (now < nextProbe)
            continue;
        nextProbe = now + 500;
        DWORD_PTR answer = 0;
        if (Shown(window) &&
            !SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                 kCloseWaitMs, &answer)) {
            r = result::kCloseNotAnswered;
            break;
        }
    }
    if (t)
        CloseHandle(t);
    if (r != 0)
        OutputDebugStringA("vardel: vardelDialog: the window's thread no longer answers\n");
    return r;
}

} // namespace

int32_t Dialog(int32_t language) {
    StationState& s = State();
    HWND window = nullptr;
    {
        StationGate::Pass pass = s.gate.Enter();
        if (!pass)
            return result::kNotOpen;
        const auto lock = s.gate.LockForHost();
        if (language >= 0)
            s.window->params().op.LanguageIndex = language;
        window = s.window->hwnd();
    }
    // No pass from here on: a modal window may stay up for hours, and a
    // close meanwhile must not wait for it.  The window is reached by its
    // handle only, which a close destroys.
    const bool modal = CurrentSettings().dShowModal != 1;
    if (GetCurrentThreadId() != s.windowThread) {
        if (!AskToShow(window, modal)) {
            // Closed meanwhile: the window went with the station.
            if (!IsWindow(window))
                return result::kNotOpen;
            OutputDebugStringA("vardel: vardelDialog: the window's thread does not answer\n");
            return result::kCloseNotAnswered;
        }
        return modal ? WaitWhileShown(window, s.windowThread) : 0;
    }
    SendMessageA(window, TMainForm1::kShowRequest, modal ? 1 : 0, 0);
    if (modal)
        kit::RunModalLoop([window] { return !Shown(window); });
    return 0;
}

int32_t Function(int32_t command) {
    StationState& s = State();
    StationGate::Pass pass = s.gate.Enter();
    if (!pass)
        return result::kClosedStation;
    const auto lock = s.gate.LockForHost();
    return s.station->Run(HostCommandFor(command), true);
}

void Callback(VardelNotify notify) {
    // The lock outlives the station: a registration is never torn in the
    // middle of a command, open or not.
    const auto lock = State().gate.LockForHost();
    State().notify = notify;
}

int32_t GetParametr() {
    StationState& s = State();
    StationGate::Pass pass = s.gate.Enter();
    if (!pass)
        return 0;
    const auto lock = s.gate.LockForHost();
    return RoundHalfAway(s.station->params().station.InitMoveX * s.station->device().pulsePerMm);
}

VardelNotify HostNotification() {
    return State().notify.load();
}

int32_t RunUnderStationLock(const std::function<int32_t()>& command) {
    StationState& s = State();
    if (!s.window)
        return 0;
    // A host command is running: the window's thread keeps answering
    // (paints, the value panels' timer, messages sent to it) while it waits.
    // The operator's input stays queued and is taken after the command.
    const HWND window = s.window->hwnd();
    const auto lock = s.gate.LockForOperator([window] {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE | QS_PAINT | QS_TIMER);
        MSG m;
        AnswerSentMessages();
        // Bounded: a window that never validates would paint for ever.
        for (int k = 0; k < 16 && PeekMessageA(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++k)
            DispatchMessageA(&m);
        // Only the station window's own timer: the host's timers on this
        // thread wait for its loop.
        for (int k = 0; k < 4 && PeekMessageA(&m, window, WM_TIMER, WM_TIMER, PM_REMOVE); ++k)
            DispatchMessageA(&m);
    });
    return command();
}

namespace {
std::recursive_mutex& ProcessHostLink::StationLock() {
    return State().gate.lock();
}
} // namespace

void ReleaseModule() {
    // The host unloads vardel.dll: the window classes go with it.  The
    // station itself must have been closed before; nothing is torn down here.
    kit::UnregisterClasses();
}

} // namespace station
