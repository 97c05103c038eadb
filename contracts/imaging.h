// Imaging library (Imaging.dll): image buffers, copies, resizing, image
// files, blob and pattern objects.  Handles are non-zero int32 values; 0 is
// "no object"; a freed handle is not given out again.  Every function
// accepts a 0 or unknown handle (or one of another kind) and then does
// nothing (and returns non-zero where it returns a status).  A function that
// returns a status and a handle sets the handle to 0 when it fails.  Each
// object is freed on its own: freeing a system frees none of its buffers.
// Thread-safe.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
// Application context and system.
typedef int32_t(__stdcall* ImgAppAllocFn)(int32_t* application);
typedef void(__stdcall* ImgAppFreeFn)(int32_t application);
typedef int32_t(__stdcall* ImgSystemAllocFn)(int32_t* system);
typedef void(__stdcall* ImgSystemFreeFn)(int32_t system);

// Buffers: 8-bit grey (one band) or 3-band colour (R, G, B), width x height
// pixels, zero-filled; non-zero for an unknown system or a size that is not
// positive.  A buffer's rows follow each other at its width, each band a
// plane of its own.
typedef int32_t(__stdcall* ImgBufAllocGreyFn)(int32_t system, int32_t width, int32_t height,
                                              int32_t* buffer);
typedef int32_t(__stdcall* ImgBufAllocColourFn)(int32_t system, int32_t width, int32_t height,
                                                int32_t* buffer);
typedef void(__stdcall* ImgBufFreeFn)(int32_t buffer);
// Size and bands (1 or 3) of a buffer; non-zero for an unknown handle.
typedef int32_t(__stdcall* ImgBufInquireFn)(int32_t buffer, int32_t* width, int32_t* height,
                                            int32_t* bands);
// Address of the pixels of a grey buffer (of band 0, red, for colour); it
// stays valid and unchanged until the buffer is freed.
typedef uint8_t*(__stdcall* ImgBufHostAddressFn)(int32_t buffer);

// Copies of a w x h rectangle at (x, y) of the buffer to or from memory
// whose rows are w bytes (Get, Put) or 3w bytes (GetPacked, PutPacked:
// packed R, G, B).  The rectangle is clipped to the buffer; memory bytes of
// the part outside it are neither read nor written.  Get and Put on a colour
// buffer copy band 0.  GetPacked of a grey buffer gives R = G = B = grey;
// PutPacked into a grey buffer stores each pixel's luminance.
typedef void(__stdcall* ImgBufGetFn)(int32_t buffer, int32_t x, int32_t y, int32_t w, int32_t h,
                                     uint8_t* memory);
typedef void(__stdcall* ImgBufPutFn)(int32_t buffer, int32_t x, int32_t y, int32_t w, int32_t h,
                                     const uint8_t* memory);
typedef void(__stdcall* ImgBufGetPackedFn)(int32_t buffer, int32_t x, int32_t y, int32_t w,
                                           int32_t h, uint8_t* memory);
typedef void(__stdcall* ImgBufPutPackedFn)(int32_t buffer, int32_t x, int32_t y, int32_t w,
                                           int32_t h, const uint8_t* memory);

// Image files (TIFF or BMP, by content when loading; when saving BMP for a
// name ending in ".bmp", any case, else uncompressed TIFF).  Grey buffers
// are saved as 8-bit grey (in BMP: 8 bits with a palette of the 256 greys),
// colour buffers as 24-bit colour.  Loading reads the file's first picture
// into the existing buffer: the top-left part that fits, the rest as it was.
// Grey files into colour buffers give equal bands; colour files into grey
// buffers give luminance (0.299 R + 0.587 G + 0.114 B; a grey pixel stays
// itself).  0 on success; on failure the buffer is untouched.
typedef int32_t(__stdcall* ImgBufLoadFn)(const char* file, int32_t buffer);
typedef int32_t(__stdcall* ImgBufSaveFn)(const char* file, int32_t buffer);

// Resizes source into the top-left corner of destination by the factors,
// each axis on its own (area average when reducing, bilinear when
// enlarging): ceil(source size x factor) pixels along each axis, clipped to
// the destination; the destination's other pixels keep their values.  Band
// by band; a grey source feeds every band of a colour destination, a colour
// source gives a grey one its band 0.  Source and destination may be the
// same buffer.  A factor that is not positive and finite does nothing.
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
