// The station's six exports, bound by name from a loaded vardel.dll, as a
// host binds them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace common {

typedef void(__stdcall* VardelNotify)(int32_t button, int32_t pulses);

struct VardelApi {
    int32_t(__stdcall* Open)() = nullptr;
    int32_t(__stdcall* Close)() = nullptr;
    int32_t(__stdcall* Dialog)(int32_t) = nullptr;
    int32_t(__stdcall* Function)(int32_t) = nullptr;
    void(__stdcall* Callback)(VardelNotify) = nullptr;
    int32_t(__stdcall* GetParametr)(int32_t) = nullptr;
};

namespace detail {
template <class F> bool BindOne(HMODULE m, const char* name, F& slot, std::string* missing) {
    const FARPROC p = m ? GetProcAddress(m, name) : nullptr;
    slot = reinterpret_cast<F>(reinterpret_cast<void*>(p));
    if (!p && missing)
        *missing += (missing->empty() ? "" : " ") + std::string(name);
    return p != nullptr;
}
} // namespace detail

// Binds all six; false when any is missing, whose names then stand in
// `missing` (separated by blanks).
inline bool BindVardel(HMODULE module, VardelApi& api, std::string* missing = nullptr) {
    using detail::BindOne;
    bool all = BindOne(module, "vardelOpen", api.Open, missing);
    all &= BindOne(module, "vardelClose", api.Close, missing);
    all &= BindOne(module, "vardelDialog", api.Dialog, missing);
    all &= BindOne(module, "vardelFunction", api.Function, missing);
    all &= BindOne(module, "vardelCallback", api.Callback, missing);
    all &= BindOne(module, "vardelGetParametr", api.GetParametr, missing);
    return all;
}

} // namespace common
