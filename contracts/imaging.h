// Imaging library (Imaging.dll): image buffers, copies, resizing, image
// files, blob and pattern objects.  Handles are non-zero int32 values; 0 is
// "no object".  Every function accepts a 0 or unknown handle and then does
// nothing (and returns non-zero where it returns a status).  Thread-safe.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
// Application context and system.
typedef int32_t(__stdcall* ImgAppAllocFn)(int32_t* application);
typedef void(__stdcall* ImgAppFreeFn)(int32_t application);
typedef int32_t(__stdcall* ImgSystemAllocFn)(int32_t* system);
typedef void(__stdcall* ImgSystemFreeFn)(int32_t system);

// Buffers: 8-bit grey (one band) or 3-band colour, width x height pixels,
// zero-filled.  A buffer's rows follow each other at its width, each band a
// plane of its own.
typedef int32_t(__stdcall* ImgBufAllocGreyFn)(int32_t system, int32_t width, int32_t height,
                                              int32_t* buffer);
typedef int32_t(__stdcall* ImgBufAllocColourFn)(int32_t system, int32_t width, int32_t height,
                                                int32_t* buffer);
typedef void(__stdcall* ImgBufFreeFn)(int32_t buffer);
// Size and bands (1 or 3) of a buffer; non-zero for an unknown handle.
typedef int32_t(__stdcall* ImgBufInquireFn)(int32_t buffer, int32_t* width, int32_t* height,
                                            int32_t* bands);
// Address of the pixels of a grey buffer (of band 0 for colour).
typedef uint8_t*(__stdcall* ImgBufHostAddressFn)(int32_t buffer);

// Copies of a w x h rectangle at (x, y) of the buffer to or from memory
// whose rows are w bytes (grey) or 3w bytes (colour, packed R, G, B).
// The rectangle is clipped to the buffer.
typedef void(__stdcall* ImgBufGetFn)(int32_t buffer, int32_t x, int32_t y, int32_t w, int32_t h,
                                     uint8_t* memory);
typedef void(__stdcall* ImgBufPutFn)(int32_t buffer, int32_t x, int32_t y, int32_t w, int32_t h,
                                     const uint8_t* memory);
typedef void(__stdcall* ImgBufGetPackedFn)(int32_t buffer, int32_t x, int32_t y, int32_t w,
                                           int32_t h, uint8_t* memory);
typedef void(__stdcall* ImgBufPutPackedFn)(int32_t buffer, int32_t x, int32_t y, int32_t w,
                                           int32_t h, const uint8_t* memory);

// Image files (TIFF or BMP, by the name's extension when saving; by content
// when loading).  Loading fills the existing buffer with what fits of the
// picture and leaves the rest as it was; grey files into colour buffers and
// colour files into grey buffers are converted.  0 on success; on failure
// the buffer is untouched.
typedef int32_t(__stdcall* ImgBufLoadFn)(const char* file, int32_t buffer);
typedef int32_t(__stdcall* ImgBufSaveFn)(const char* file, int32_t buffer);

// Resizes source into destination by the factors (area average when
// reducing, bilinear when enlarging); what falls outside is clipped.
typedef void(__stdcall* ImgResizeFn)(int32_t source, int32_t destination, double factorX,
                                     double factorY);

// Blob analysis objects and pattern models.
typedef int32_t(__stdcall* ImgBlobAllocFeatureListFn)(int32_t system, int32_t* handle);
typedef int32_t(__stdcall* ImgBlobAllocResultFn)(int32_t system, int32_t* handle);
typedef void(__stdcall* ImgBlobFreeFn)(int32_t handle);
typedef int32_t(__stdcall* ImgPatternAllocFn)(int32_t system, int32_t* handle);
typedef void(__stdcall* ImgPatternFreeFn)(int32_t handle);

// How many objects (of any kind) are alive now: for leak checks.
typedef int32_t(__stdcall* ImgObjectCountFn)();
}

struct ImagingApi {
    ImgAppAllocFn AppAlloc = nullptr;
    ImgAppFreeFn AppFree = nullptr;
    ImgSystemAllocFn SystemAlloc = nullptr;
    ImgSystemFreeFn SystemFree = nullptr;
    ImgBufAllocGreyFn BufAllocGrey = nullptr;
    ImgBufAllocColourFn BufAllocColour = nullptr;
    ImgBufFreeFn BufFree = nullptr;
    ImgBufInquireFn BufInquire = nullptr;
    ImgBufHostAddressFn BufHostAddress = nullptr;
    ImgBufGetFn BufGet = nullptr;
    ImgBufPutFn BufPut = nullptr;
    ImgBufGetPackedFn BufGetPacked = nullptr;
    ImgBufPutPackedFn BufPutPacked = nullptr;
    ImgBufLoadFn BufLoad = nullptr;
    ImgBufSaveFn BufSave = nullptr;
    ImgResizeFn Resize = nullptr;
    ImgBlobAllocFeatureListFn BlobAllocFeatureList = nullptr;
    ImgBlobAllocResultFn BlobAllocResult = nullptr;
    ImgBlobFreeFn BlobFree = nullptr;
    ImgPatternAllocFn PatternAlloc = nullptr;
    ImgPatternFreeFn PatternFree = nullptr;
    ImgObjectCountFn ObjectCount = nullptr;
};
