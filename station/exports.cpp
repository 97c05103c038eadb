// The six functions of vardel.dll.  Nothing is thrown across them: an
// unexpected failure inside becomes the matching failure result.
#include "station/station.h"

#include <windows.h>

extern "C" {

int32_t __stdcall vardelOpen() {
    try {
        return station::Open();
    } catch (...) {
        return -1;
    }
}

int32_t __stdcall vardelClose() {
    try {
        return station::Close();
    } catch (...) {
        return 0;
    }
}

int32_t __stdcall vardelDialog(int32_t language) {
    try {
        return station::Dialog(language);
    } catch (...) {
        return -9;
    }
}

int32_t __stdcall vardelFunction(int32_t command) {
    try {
        return station::Function(command);
    } catch (...) {
        return -1;
    }
}

void __stdcall vardelCallback(VardelNotify notify) {
    try {
        station::Callback(notify);
    } catch (...) {
    }
}

int32_t __stdcall vardelGetParametr(int32_t) {
    try {
        return station::GetParametr();
    } catch (...) {
        return 0;
    }
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // Only on FreeLibrary; at process exit the classes go with the process.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        station::ReleaseModule();
    return TRUE;
}
}
