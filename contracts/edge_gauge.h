// Edge-gauge library (EdgeGauge.dll): finds the drill silhouette's two edge
// points in the image memory.  0 means success.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
typedef int32_t(__stdcall* EdgeGaugeOpenFn)(int32_t application);
typedef int32_t(__stdcall* EdgeGaugeDetectHeightFn)(int32_t zero, uint8_t* image, double* x1,
                                                    double* y1, double* x2, double* y2);
typedef int32_t(__stdcall* EdgeGaugeCloseFn)();
}

struct EdgeGaugeApi {
    EdgeGaugeOpenFn Open = nullptr;
    EdgeGaugeDetectHeightFn DetectHeight = nullptr;
    EdgeGaugeCloseFn Close = nullptr;
};
