// kest-host: drives the station through the six functions of vardel.dll,
// the way a ring-setting machine's control program does.  The station is
// loaded with LoadLibrary and bound by name; the thread that opens it runs a
// message loop for the station's window.
//
//   kest-host [step ...]
//     open | close | reopen         vardelOpen / vardelClose / both
//     show [LANG]                   vardelDialog(LANG), -1 by default
//     close-window-after MS         an operator closes the window after MS
//     function N                    vardelFunction(N)
//     notify | no-notify            register a notification function / remove it
//     parameter                     vardelGetParametr(0)
//     pump MS                       run the message loop for MS milliseconds
//     save-picture NAME             write the picture in the camera's memory
//                                   to IMG\NAME (TIFF) with the imaging library
//     screenshot FILE               the station's window as shown, as a PNG file
//     screenshot-after MS FILE      the same MS milliseconds later, while the
//                                   next steps run
//     run N [SEED]                  the ring-setting machine: calibrate, then N
//                                   drills through inspections A and B
//     dusty                         the runs after it: dust on the back light's
//                                   glass, the back light uneven
#include "common/module_folder.h"
#include "common/vardel_api.h"
#include "common/win_handles.h"
#include "host/ring_setting_run.h"
#include "host/screenshot.h"

#include <windows.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// vardel.dll, loaded from the folder of this program and bound by name.
struct Station : common::VardelApi {
    common::UniqueModule module;
};

bool LoadStation(Station& s) {
    const std::string dll = common::ModuleFolder(nullptr) + "\\vardel.dll";
    s.module.reset(LoadLibraryA(dll.c_str()));
    if (!s.module) {
        std::printf("kest-host: cannot load %s (error %lu)\n", dll.c_str(), GetLastError());
        return false;
    }
    std::string missing;
    if (!common::BindVardel(s.module.get(), s, &missing)) {
        std::printf("kest-host: vardel.dll has no export %s\n", missing.c_str());
        return false;
    }
    return true;
}

void __stdcall OnNotify(int32_t button, int32_t pulses) {
    std::printf("  notification: button %d, move %d pulses\n", button, pulses);
    std::fflush(stdout);
}

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    for (;;) {
        const DWORD now = GetTickCount();
        if (static_cast<int32_t>(end - now) <= 0)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
}

// The picture the station's camera holds, written with Imaging.dll.
bool SavePicture(const std::string& name) {
    HMODULE grab = GetModuleHandleA("Grabcard.dll");
    const common::UniqueModule imaging(LoadLibraryA("Imaging.dll"));
    HMODULE img = imaging.get();
    if (!grab || !img) {
        std::printf("kest-host: open the station first\n");
        return false;
    }
    auto proc = [](HMODULE m, const char* n) {
        return reinterpret_cast<void*>(GetProcAddress(m, n));
    };
    auto size = reinterpret_cast<int32_t(__stdcall*)(int32_t, int32_t*, int32_t*)>(
        proc(grab, "GrabcardGetImageSize"));
    auto addr = reinterpret_cast<uint8_t*(__stdcall*)(int32_t, int32_t, uint8_t)>(
        proc(grab, "GrabcardGetImageAddr"));
    auto sys = reinterpret_cast<int32_t(__stdcall*)(int32_t*)>(proc(img, "ImgSystemAlloc"));
    auto sysFree = reinterpret_cast<void(__stdcall*)(int32_t)>(proc(img, "ImgSystemFree"));
    auto alloc = reinterpret_cast<int32_t(__stdcall*)(int32_t, int32_t, int32_t, int32_t*)>(
        proc(img, "ImgBufAllocGrey"));
    auto put = reinterpret_cast<void(__stdcall*)(int32_t, int32_t, int32_t, int32_t, int32_t,
                                                 const uint8_t*)>(proc(img, "ImgBufPut"));
    auto save =
        reinterpret_cast<int32_t(__stdcall*)(const char*, int32_t)>(proc(img, "ImgBufSave"));
    auto bufFree = reinterpret_cast<void(__stdcall*)(int32_t)>(proc(img, "ImgBufFree"));
    int32_t w = 0, h = 0, system = 0, buffer = 0;
    size(0, &w, &h);
    sys(&system);
    alloc(system, w, h, &buffer);
    put(buffer, 0, 0, w, h, addr(0, 0, 0));
    char dir[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, dir);
    const std::string path = std::string(dir) + "\\IMG\\" + name;
    const int32_t r = save(path.c_str(), buffer);
    bufFree(buffer);
    sysFree(system);
    std::printf("  picture %d x %d %s %s\n", w, h, r == 0 ? "saved as" : "could not be saved as",
                path.c_str());
    return r == 0;
}

// Stands in for an operator who closes the station's window later.
void CloseWindowAfter(DWORD ms) {
    std::thread([ms] {
        Sleep(ms);
        if (HWND w = FindWindowA("TMainForm1", nullptr)) {
            std::printf("  operator closes the window\n");
            std::fflush(stdout);
            PostMessageA(w, WM_CLOSE, 0, 0);
        }
    }).detach();
}

} // namespace

int main(int argc, char** argv) {
    Station s;
    if (!LoadStation(s))
        return 2;
    std::vector<std::string> steps(argv + 1, argv + argc);
    int failures = 0;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::string& step = steps[i];
        // The number after a step, when one follows.
        auto next = [&](int fallback) {
            if (i + 1 < steps.size() && !steps[i + 1].empty() &&
                (std::isdigit(static_cast<unsigned char>(steps[i + 1][0])) ||
                 steps[i + 1][0] == '-'))
                return std::atoi(steps[++i].c_str());
            return fallback;
        };
        if (step == "open") {
            const int32_t r = s.Open();
            std::printf("vardelOpen() = %d\n", r);
            failures += r != 0;
        } else if (step == "close") {
            std::printf("vardelClose() = %d\n", s.Close());
        } else if (step == "reopen") {
            std::printf("vardelClose() = %d\n", s.Close());
            std::printf("vardelOpen() = %d\n", s.Open());
        } else if (step == "show") {
            const int lang = next(-1);
            std::printf("vardelDialog(%d) ...\n", lang);
            std::fflush(stdout);
            std::printf("vardelDialog(%d) = %d\n", lang, s.Dialog(lang));
        } else if (step == "close-window-after") {
            CloseWindowAfter(static_cast<DWORD>(next(1000)));
        } else if (step == "function") {
            const int cmd = next(0);
            std::printf("vardelFunction(%d) = %d\n", cmd, s.Function(cmd));
        } else if (step == "notify") {
            s.Callback(&OnNotify);
            std::printf("vardelCallback(notify)\n");
        } else if (step == "no-notify") {
            s.Callback(nullptr);
            std::printf("vardelCallback(NULL)\n");
        } else if (step == "parameter") {
            std::printf("vardelGetParametr(0) = %d\n", s.GetParametr(0));
        } else if (step == "save-picture") {
            const std::string name = i + 1 < steps.size() ? steps[++i] : "drill.tif";
            failures += !SavePicture(name);
        } else if (step == "run") {
            const int drills = next(20);
            const uint32_t seed = static_cast<uint32_t>(next(7));
            failures += host::RunRingSetting(s, drills, seed, true);
        } else if (step == "dusty") {
            host::UseDustyCamera(true);
        } else if (step == "screenshot") {
            const std::string name = i + 1 < steps.size() ? steps[++i] : "window.png";
            failures += !host::SaveWindowScreenshot(name);
        } else if (step == "screenshot-after") {
            const DWORD ms = static_cast<DWORD>(next(1000));
            const std::string name = i + 1 < steps.size() ? steps[++i] : "window.png";
            std::thread([ms, name] {
                Sleep(ms);
                host::SaveWindowScreenshot(name);
                std::fflush(stdout);
            }).detach();
        } else if (step == "pump") {
            Pump(static_cast<DWORD>(next(500)));
        } else {
            std::printf("kest-host: unknown step %s\n", step.c_str());
            return 2;
        }
        std::fflush(stdout);
    }
    return failures ? 1 : 0;
}
