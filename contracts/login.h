// Operator library (Login.dll): operator logins and the cross-line mark.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
typedef uint8_t(__stdcall* ShowLoginFormFn)(const char* caption, void* loginRecord);
typedef void(__stdcall* LoginDrawMarkFn)(HDC dc, int32_t width, int32_t height, int32_t centreX,
                                         int32_t centreY, double mmPerPixel);
typedef int32_t(__stdcall* LoginGetDrawMarkSwitchFn)();
typedef void(__stdcall* LoginDrawMarkSwitchFn)();
typedef void(__stdcall* LoginDrawMarkSetupFn)(const char* caption);
typedef void(__stdcall* LoginScreenKeyboardFn)(int32_t mode);
}

struct LoginApi {
    ShowLoginFormFn ShowLoginForm = nullptr;
    LoginDrawMarkFn DrawMark = nullptr;
    LoginGetDrawMarkSwitchFn GetDrawMarkSwitch = nullptr;
    LoginDrawMarkSwitchFn DrawMarkSwitch = nullptr;
    LoginDrawMarkSetupFn DrawMarkSetup = nullptr;
    LoginScreenKeyboardFn ScreenKeyboard = nullptr;
};
