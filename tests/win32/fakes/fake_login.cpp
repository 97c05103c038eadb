// A recording Login.dll: every call the station makes is noted; the login
// answers as the test told it, writing the rights it was given.
#include "tests/win32/fakes/fake_record.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

fakes::CallRecord gCalls;
uint8_t gAccept = 0;
uint32_t gRights = 0;
int32_t gMarkSwitch = 0;

} // namespace

extern "C" {

// The login record is the station's operator block: the rights at offset 4,
// the language at 12.
uint8_t __stdcall ShowLoginForm(const char* caption, void* loginRecord) {
    int32_t language = -1;
    if (loginRecord)
        std::memcpy(&language, static_cast<char*>(loginRecord) + 12, 4);
    gCalls.Add("ShowLoginForm|" + fakes::Arg(caption) + "|language " + std::to_string(language));
    if (!gAccept || !loginRecord)
        return 0;
    std::memcpy(static_cast<char*>(loginRecord) + 4, &gRights, 4);
    return 1;
}

void __stdcall LoginDrawMark(HDC, int32_t, int32_t, int32_t, int32_t, double) {}

int32_t __stdcall LoginGetDrawMarkSwitch() {
    return gMarkSwitch;
}

void __stdcall LoginDrawMarkSwitch() {
    gCalls.Add("LoginDrawMarkSwitch");
    gMarkSwitch = !gMarkSwitch;
}

void __stdcall LoginDrawMarkSetup(const char* caption) {
    gCalls.Add("LoginDrawMarkSetup|" + fakes::Arg(caption));
}

void __stdcall LoginScreenKeyboard(int32_t mode) {
    gCalls.Add("LoginScreenKeyboard|" + std::to_string(mode));
}

// The test's side.
void __stdcall FakeLoginAnswer(uint8_t accept, uint32_t rights) {
    gAccept = accept;
    gRights = rights;
}

const char* __stdcall FakeCalls() {
    return gCalls.Text();
}

void __stdcall FakeClear() {
    gCalls.Clear();
}
}
