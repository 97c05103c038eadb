// The six functions of vardel.dll.  Nothing is thrown across them: an
// unexpected failure inside is told to the debugger and becomes the
// matching failure result.
#include "common/guarded_entry.h"
#include "station/station.h"

#include <windows.h>

extern "C" {

int32_t __stdcall vardelOpen() {
    return common::Guarded("vardelOpen", -1, [] { return station::Open(); });
}

int32_t __stdcall vardelClose() {
    return common::Guarded("vardelClose", 0, [] { return station::Close(); });
}

int32_t __stdcall vardelDialog(int32_t language) {
    return common::Guarded("vardelDialog", -9, [&] { return station::Dialog(language); });
}

int32_t __stdcall vardelFunction(int32_t command) {
    return common::Guarded("vardelFunction", -1, [&] { return station::Function(command); });
}

void __stdcall vardelCallback(VardelNotify notify) {
    common::GuardedVoid("vardelCallback", [&] { station::Callback(notify); });
}

int32_t __stdcall vardelGetParametr(int32_t) {
    return common::Guarded("vardelGetParametr", 0, [] { return station::GetParametr(); });
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // Only on FreeLibrary; at process exit the classes go with the process.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        common::GuardedVoid("vardel.dll unload", [] { station::ReleaseModule(); });
    return TRUE;
}
}
