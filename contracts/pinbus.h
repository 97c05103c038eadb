// I/O library (Pinbus.dll): the machine's digital I/O.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
typedef int32_t(__stdcall* PinbusInitFn)();
typedef int32_t(__stdcall* PinbusCloseFn)();
}

struct PinbusApi {
    PinbusInitFn Init = nullptr;
    PinbusCloseFn Close = nullptr;
};
