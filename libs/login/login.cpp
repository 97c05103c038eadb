// Login.dll: the operator library.  It draws the cross-line mark over the
// live picture and keeps the mark's switch and looks in "Login.ini" beside
// itself.  Operator accounts are not kept yet: there is no account file, so
// nobody is logged in and the login form has nobody to accept.
#include "contracts/login.h"
#include "libs/login/mark_drawing.h"
#include "libs/login/mark_settings.h"
#include "libs/login/mark_setup.h"
#include "ui/kit/window.h"

#include <exception>
#include <string>
#include <type_traits>

namespace {

login::MarkState& Mark() {
    static login::MarkState state(kit::ThisModuleFolder() + "\\Login.ini");
    return state;
}

// Nothing thrown inside the library reaches the caller; what was thrown is
// told to the debugger.
template <class F> void Guarded(const char* where, F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        const std::string text = std::string("Login.dll: ") + where + ": " + e.what() + "\n";
        OutputDebugStringA(text.c_str());
    } catch (...) {
        const std::string text = std::string("Login.dll: ") + where + ": unknown exception\n";
        OutputDebugStringA(text.c_str());
    }
}

} // namespace

extern "C" {

uint8_t __stdcall ShowLoginForm(const char* caption, void* loginRecord) {
    (void)caption;
    (void)loginRecord;
    // No account file exists, so no operator can be accepted: the answer is
    // "not logged in" and the caller's record keeps what it held.
    uint8_t loggedIn = 0;
    Guarded("ShowLoginForm", [] { OutputDebugStringA("Login.dll: no operator accounts\n"); });
    return loggedIn;
}

void __stdcall LoginDrawMark(HDC dc, int32_t width, int32_t height, int32_t centreX,
                             int32_t centreY, double mmPerPixel) {
    Guarded("LoginDrawMark", [&] {
        const login::MarkSettings s = Mark().Current();
        if (s.on)
            login::DrawMark(dc, width, height, centreX, centreY, mmPerPixel, s);
    });
}

int32_t __stdcall LoginGetDrawMarkSwitch() {
    int32_t on = 0;
    Guarded("LoginGetDrawMarkSwitch", [&] { on = Mark().On() ? 1 : 0; });
    return on;
}

void __stdcall LoginDrawMarkSwitch() {
    Guarded("LoginDrawMarkSwitch", [] { Mark().Toggle(); });
}

void __stdcall LoginDrawMarkSetup(const char* caption) {
    Guarded("LoginDrawMarkSetup", [&] {
        const auto chosen = login::ShowMarkSetup(caption ? caption : "", Mark().Current());
        if (chosen)
            Mark().Apply(*chosen);
    });
}

void __stdcall LoginScreenKeyboard(int32_t mode) {
    // The library has no screen keyboard of its own yet; there is nothing to
    // show or hide for any mode.
    (void)mode;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        kit::UnregisterClasses();
    return TRUE;
}
}

static_assert(std::is_same_v<decltype(&ShowLoginForm), ShowLoginFormFn>);
static_assert(std::is_same_v<decltype(&LoginDrawMark), LoginDrawMarkFn>);
static_assert(std::is_same_v<decltype(&LoginGetDrawMarkSwitch), LoginGetDrawMarkSwitchFn>);
static_assert(std::is_same_v<decltype(&LoginDrawMarkSwitch), LoginDrawMarkSwitchFn>);
static_assert(std::is_same_v<decltype(&LoginDrawMarkSetup), LoginDrawMarkSetupFn>);
static_assert(std::is_same_v<decltype(&LoginScreenKeyboard), LoginScreenKeyboardFn>);
