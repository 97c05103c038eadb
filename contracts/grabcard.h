// Capture library (Grabcard.dll): the frame grabber.  Card and channel are 0.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
typedef void(__stdcall* GrabFinished)(int32_t card, uint8_t* image);

typedef int32_t(__stdcall* GrabcardInitFn)(int32_t* colour);
typedef int32_t(__stdcall* GrabcardCloseFn)();
typedef int32_t(__stdcall* GrabcardGetImageSizeFn)(int32_t card, int32_t* width, int32_t* height);
typedef uint8_t*(__stdcall* GrabcardGetImageAddrFn)(int32_t card, int32_t channel, uint8_t fresh);
typedef int32_t(__stdcall* GrabcardGrabFn)(int32_t card, int32_t channel);
typedef int32_t(__stdcall* GrabcardLiveFn)(int32_t card, int32_t channel);
typedef int32_t(__stdcall* GrabcardStopFn)(int32_t card, int32_t channel);
typedef int32_t(__stdcall* GrabcardSetGrabFinishFunFn)(int32_t card, GrabFinished fn);
typedef int32_t(__stdcall* GrabcardSetWaitMehodFn)(int32_t card, int32_t method);
}

struct GrabcardApi {
    GrabcardInitFn Init = nullptr;
    GrabcardCloseFn Close = nullptr;
    GrabcardGetImageSizeFn GetImageSize = nullptr;
    GrabcardGetImageAddrFn GetImageAddr = nullptr;
    GrabcardGrabFn Grab = nullptr;
    GrabcardLiveFn Live = nullptr;
    GrabcardStopFn Stop = nullptr;
    GrabcardSetGrabFinishFunFn SetGrabFinishFun = nullptr;
    GrabcardSetWaitMehodFn SetWaitMehod = nullptr;
};
