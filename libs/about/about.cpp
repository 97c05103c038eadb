// About.dll: the station's about box.
#include "contracts/about.h"
#include "libs/about/about_form.h"
#include "ui/kit/window.h"

#include <exception>
#include <string>
#include <type_traits>

namespace {

// Nothing thrown inside the library reaches the caller; what was thrown is
// told to the debugger.
template <class F> void Guarded(const char* where, F&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        const std::string text = std::string("About.dll: ") + where + ": " + e.what() + "\n";
        OutputDebugStringA(text.c_str());
    } catch (...) {
        const std::string text = std::string("About.dll: ") + where + ": unknown exception\n";
        OutputDebugStringA(text.c_str());
    }
}

std::string Or(const char* text) {
    return text ? text : "";
}

} // namespace

extern "C" {

void __stdcall ShowBasicAboutForm(const char* caption, const char* systemName, const char* version,
                                  const char* author, const char* date) {
    Guarded("ShowBasicAboutForm", [&] {
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
        kit::UnregisterClasses();
    return TRUE;
}
}

static_assert(std::is_same_v<decltype(&ShowBasicAboutForm), ShowBasicAboutFormFn>);
