#include "ui/kit/window.h"

#include "common/guarded_entry.h"
#include "common/module_folder.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace kit {

HINSTANCE ThisModule() {
    return common::ModuleAt(reinterpret_cast<const void*>(&ThisModule));
}

std::string ThisModuleFolder() {
    const std::string folder = common::ModuleFolder(ThisModule());
    return folder.empty() ? std::string(".") : folder;
}

void RunModalLoop(const std::function<bool()>& done, HWND dialog) {
    MSG m;
    while (!done()) {
        const BOOL got = GetMessageA(&m, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(m.wParam));
            return;
        }
        if (got < 0)
            return;
        if (dialog && IsDialogMessageA(dialog, &m))
            continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

namespace {
std::vector<std::string>& Registered() {
    static std::vector<std::string> names;
    return names;
}
} // namespace

void UnregisterClasses() {
    for (const std::string& name : Registered())
        UnregisterClassA(name.c_str(), ThisModule());
    Registered().clear();
}

Window::~Window() {
    Destroy();
}

void Window::Destroy() {
    if (!hwnd_)
        return;
    HWND h = hwnd_;
    hwnd_ = nullptr;
    // A window that went with its thread (a station closed after the thread
    // that opened it ended) is not asked for at all: its handle is stale.
    if (!IsWindow(h))
        return;
    // Only the owning thread destroys a window; another thread's is at least
    // unlinked, so that no message reaches this object once it is gone.
    if (GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId())
        DestroyWindow(h);
    // WM_NCDESTROY has cleared the link; make sure even if it did not run.
    if (IsWindow(h))
        SetWindowLongPtrA(h, GWLP_USERDATA, 0);
}

bool Window::Create(const Style& s) {
    HINSTANCE module = ThisModule();
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(module, s.className, &wc)) {
        wc = WNDCLASSEXA{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = &Window::Procedure;
        wc.hInstance = module;
        wc.hCursor = s.cursor ? s.cursor : LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground =
            s.background ? s.background : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = s.className;
        if (!RegisterClassExA(&wc))
            return false;
        Registered().push_back(s.className);
    }
    hwnd_ = CreateWindowExA(s.exStyle, s.className, s.caption, s.style, s.x, s.y, s.width, s.height,
                            s.owner, nullptr, module, this);
    return hwnd_ != nullptr;
}

LRESULT Window::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(hwnd_, msg, wp, lp);
}

namespace {
thread_local int tDepth = 0;
struct Inside {
    Inside() { ++tDepth; }
    ~Inside() { --tDepth; }
};
} // namespace

int HandlerDepth() {
    return tDepth;
}

LRESULT CALLBACK Window::Procedure(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    const Inside inside;
    // Nothing may unwind through the system's modules into the host: a
    // failure inside a handler is logged and the message gets the default
    // answer.
    try {
        if (msg == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
            auto* self = static_cast<Window*>(cs->lpCreateParams);
            self->hwnd_ = h;
            SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(h, GWLP_USERDATA));
        if (!self)
            return DefWindowProcA(h, msg, wp, lp);
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrA(h, GWLP_USERDATA, 0);
            const LRESULT r = self->OnMessage(msg, wp, lp);
            self->hwnd_ = nullptr;
            return r;
        }
        return self->OnMessage(msg, wp, lp);
    } catch (const std::exception& e) {
        ReportHandlerFailure(msg, e.what());
    } catch (...) {
        ReportHandlerFailure(msg, "unknown exception");
    }
    return msg == WM_NCCREATE ? FALSE : 0;
}

void ReportHandlerFailure(UINT msg, const char* what) {
    char entry[48];
    std::snprintf(entry, sizeof entry, "window message 0x%04X failed", msg);
    common::LogEntryFailure(entry, what);
}

} // namespace kit
