// Language library (Language.dll): the window's texts by (section, key).
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
typedef int32_t(__stdcall* InitLanguageDllFn)();
// True (non-zero) when a language was chosen and written through identifier.
typedef uint8_t(__stdcall* SelectLanguageDllFn)(const char* title, int32_t* identifier);
// Always a valid text in the ANSI code page; empty for what it does not know.
typedef const char*(__stdcall* GetLanguageStringFn)(int32_t identifier, const char* section,
                                                    const char* key);
}

struct LanguageApi {
    InitLanguageDllFn Init = nullptr;
    SelectLanguageDllFn Select = nullptr;
    GetLanguageStringFn Get = nullptr;
};
