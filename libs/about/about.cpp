// About.dll: the station's about box.
#include "contracts/about.h"
#include "common/guarded_entry.h"
#include "libs/about/about_form.h"
#include "ui/kit/window.h"

#include <string>
#include <type_traits>

namespace {

std::string Or(const char* text) {
    return text ? text : "";
}

} // namespace

extern "C" {

void __stdcall ShowBasicAboutForm(const char* caption, const char* systemName, const char* version,
                                  const char* author, const char* date) {
    common::GuardedVoid("About.dll: ShowBasicAboutForm", [&] {
        // One about window at a time.
        static bool showing = false;
        if (showing)
            return;
        showing = true;
        struct Reset {
            ~Reset() { showing = false; }
        } reset;
        about::ShowAboutForm({Or(caption), Or(systemName), Or(version), Or(author), Or(date)});
    });
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        common::GuardedVoid("About.dll unload", [] { kit::UnregisterClasses(); });
    return TRUE;
}
}

static_assert(std::is_same_v<decltype(&ShowBasicAboutForm), ShowBasicAboutFormFn>);
