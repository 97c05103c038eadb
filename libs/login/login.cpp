// Login.dll: the operator library.  It draws the cross-line mark over the
// live picture and keeps the mark's switch and looks in "Login.ini" beside
// itself.  It keeps the operator accounts in "Login.acc" beside itself and
// logs operators in and out through its login form, and it has a screen
// keyboard of its own.
#include "contracts/login.h"
#include "common/guarded_entry.h"
#include "libs/login/accounts.h"
#include "libs/login/form_parts.h"
#include "libs/login/login_form.h"
#include "libs/login/login_record.h"
#include "libs/login/mark_drawing.h"
#include "libs/login/mark_settings.h"
#include "libs/login/mark_setup.h"
#include "libs/login/messages.h"
#include "libs/login/screen_keyboard.h"
#include "ui/kit/window.h"

#include <string>
#include <type_traits>

namespace {

login::MarkState& Mark() {
    static login::MarkState state(kit::ThisModuleFolder() + "\\Login.ini");
    return state;
}

// The settings file refused a change: the operator hears of it, over the
// caller's active window; the mark keeps the settings before the change.
void ReportMarkNotWritten() {
    login::Warn(GetActiveWindow(), login::MarkNotWritten(Mark().path()));
}

} // namespace

extern "C" {

uint8_t __stdcall ShowLoginForm(const char* caption, void* loginRecord) {
    uint8_t answered = 0;
    common::GuardedVoid("Login.dll: ShowLoginForm", [&] {
        // One login form at a time; without a record there is nowhere to
        // write the rights.
        static bool showing = false;
        if (!loginRecord || showing)
            return;
        showing = true;
        struct Reset {
            ~Reset() { showing = false; }
        } reset;
        login::AccountStore store(kit::ThisModuleFolder() + "\\Login.acc", login::SystemTools());
        const auto loaded = store.Load();
        if (loaded == login::AccountStore::Loaded::Damaged ||
            loaded == login::AccountStore::Loaded::Unreadable) {
            login::ReportUnusableAccounts(store);
            return;
        }
        const login::LoginResult r = login::RunLoginForm(caption ? caption : "", store);
        if (r.kind == login::LoginResult::LoggedIn) {
            SYSTEMTIME now{};
            GetLocalTime(&now);
            login::WriteLogin(loginRecord, r.name, r.role, now);
            answered = 1;
        } else if (r.kind == login::LoginResult::LoggedOut) {
            login::WriteLogout(loginRecord);
            answered = 1;
        }
    });
    return answered;
}

void __stdcall LoginDrawMark(HDC dc, int32_t width, int32_t height, int32_t centreX,
                             int32_t centreY, double mmPerPixel) {
    common::GuardedVoid("Login.dll: LoginDrawMark", [&] {
        const login::MarkSettings s = Mark().Current();
        if (s.on)
            login::DrawMark(dc, width, height, centreX, centreY, mmPerPixel, s);
    });
}

int32_t __stdcall LoginGetDrawMarkSwitch() {
    int32_t on = 0;
    common::GuardedVoid("Login.dll: LoginGetDrawMarkSwitch", [&] { on = Mark().On() ? 1 : 0; });
    return on;
}

void __stdcall LoginDrawMarkSwitch() {
    common::GuardedVoid("Login.dll: LoginDrawMarkSwitch", [] {
        if (!Mark().Toggle())
            ReportMarkNotWritten();
    });
}

void __stdcall LoginDrawMarkSetup(const char* caption) {
    common::GuardedVoid("Login.dll: LoginDrawMarkSetup", [&] {
        const auto chosen = login::ShowMarkSetup(caption ? caption : "", Mark().Current());
        if (chosen && !Mark().Apply(*chosen))
            ReportMarkNotWritten();
    });
}

void __stdcall LoginScreenKeyboard(int32_t mode) {
    common::GuardedVoid("Login.dll: LoginScreenKeyboard", [&] {
        // The station's keyboard button asks with 0: show it.  A caller that
        // wants it gone again asks with a negative mode.
        if (mode < 0)
            login::HideScreenKeyboard();
        else
            login::ShowScreenKeyboard();
    });
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Unloaded by FreeLibrary: no window may outlive the code behind it.
        common::GuardedVoid("Login.dll unload", [] {
            login::DestroyScreenKeyboard();
            kit::UnregisterClasses();
        });
    }
    return TRUE;
}
}

static_assert(std::is_same_v<decltype(&ShowLoginForm), ShowLoginFormFn>);
static_assert(std::is_same_v<decltype(&LoginDrawMark), LoginDrawMarkFn>);
static_assert(std::is_same_v<decltype(&LoginGetDrawMarkSwitch), LoginGetDrawMarkSwitchFn>);
static_assert(std::is_same_v<decltype(&LoginDrawMarkSwitch), LoginDrawMarkSwitchFn>);
static_assert(std::is_same_v<decltype(&LoginDrawMarkSetup), LoginDrawMarkSetupFn>);
static_assert(std::is_same_v<decltype(&LoginScreenKeyboard), LoginScreenKeyboardFn>);
