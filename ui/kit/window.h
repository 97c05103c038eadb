// Base of the station's windows: one window procedure per class that finds
// its object (stored at WM_NCCREATE) and hands it the message.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kit {

// The module (vardel.dll or an outside DLL) that holds this code; window
// classes are registered with it, never with the host's module.
HINSTANCE ThisModule();
// The folder (without a trailing "\") of that module's file.
std::string ThisModuleFolder();

// Runs the thread's message loop until done() holds (checked after every
// message); messages for dialog go through IsDialogMessage.  A WM_QUIT ends
// the loop and is posted again for the loop outside.
void RunModalLoop(const std::function<bool()>& done, HWND dialog = nullptr);

// Unregisters every class this module registered; called when the module is
// unloaded, so a reloaded module never meets a class with a stale procedure.
void UnregisterClasses();

// How many handlers of the station's windows are running on this thread,
// one inside the other (a dialog's message loop inside a button's click
// counts two): 0 when the thread is in its own message loop.
int HandlerDepth();

// Logs a failure inside a window's handler to the debugger.
void ReportHandlerFailure(UINT msg, const char* what);

class Window {
  public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND hwnd() const { return hwnd_; }
    // Destroys the window now (also done by the destructor).
    void Destroy();
    // Takes a window of a system class as this object's (no procedure of
    // ours runs for it).
    void Adopt(HWND h) { hwnd_ = h; }

  protected:
    struct Style {
        const char* className;
        const char* caption = "";
        DWORD style = WS_OVERLAPPEDWINDOW;
        DWORD exStyle = 0;
        int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
        HWND owner = nullptr;
        HBRUSH background = nullptr; // null: the window colour
        HCURSOR cursor = nullptr;    // null: the arrow
    };
    // Registers the class (once per module) and creates the window.
    bool Create(const Style& style);

    // Handles one message; the default is DefWindowProc.
    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);

  private:
    static LRESULT CALLBACK Procedure(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

} // namespace kit
