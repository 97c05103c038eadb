// The folder a module was loaded from: where a DLL finds the files and the
// libraries that lie beside it, and where a program finds its own.
#pragma once

#include <windows.h>

#include <string>

namespace common {

// The module that holds the given address (code or data of that module),
// without taking a reference on it; null when none does.
inline HMODULE ModuleAt(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module))
        return nullptr;
    return module;
}

// The folder of a module (null: the program's), without a trailing
// backslash; empty when the name cannot be had or does not fit MAX_PATH.
inline std::string ModuleFolder(HMODULE module) {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return {};
    const std::string file(path, n);
    const std::size_t slash = file.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

// The folder of the module that holds the given address, e.g.
// ModuleFolderOf(&SomeFunctionOfThisDll).
inline std::string ModuleFolderOf(const void* address) {
    const HMODULE module = ModuleAt(address);
    return module ? ModuleFolder(module) : std::string();
}

} // namespace common
