// About library (About.dll): the about box.
#pragma once

#include <windows.h>

extern "C" {
typedef void(__stdcall* ShowBasicAboutFormFn)(const char* caption, const char* systemName,
                                              const char* version, const char* author,
                                              const char* date);
}

struct AboutApi {
    ShowBasicAboutFormFn ShowBasicAboutForm = nullptr;
};
