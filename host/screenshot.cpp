#include "host/screenshot.h"

#include <wincodec.h>
#include <windows.h>

#include <cstdio>
#include <vector>

namespace host {
namespace {

template <class T> class Com {
  public:
    ~Com() {
        if (p)
            p->Release();
    }
    T* p = nullptr;
    T** out() { return &p; }
    T* operator->() const { return p; }
};

bool WritePng(const std::string& path, int w, int h, const std::vector<uint8_t>& bgr, int stride) {
    const bool comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    bool ok = false;
    {
        Com<IWICImagingFactory> factory;
        Com<IWICStream> stream;
        Com<IWICBitmapEncoder> encoder;
        Com<IWICBitmapFrameEncode> frame;
        std::wstring wide(path.begin(), path.end());
        WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
        ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_IWICImagingFactory,
                                        reinterpret_cast<void**>(factory.out()))) &&
             SUCCEEDED(factory->CreateStream(stream.out())) &&
             SUCCEEDED(stream->InitializeFromFilename(wide.c_str(), GENERIC_WRITE)) &&
             SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out())) &&
             SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
             SUCCEEDED(encoder->CreateNewFrame(frame.out(), nullptr)) &&
             SUCCEEDED(frame->Initialize(nullptr)) &&
             SUCCEEDED(frame->SetSize(static_cast<UINT>(w), static_cast<UINT>(h))) &&
             SUCCEEDED(frame->SetPixelFormat(&format)) &&
             IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
             SUCCEEDED(frame->WritePixels(static_cast<UINT>(h), static_cast<UINT>(stride),
                                          static_cast<UINT>(bgr.size()),
                                          const_cast<BYTE*>(bgr.data()))) &&
             SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    }
    if (comStarted)
        CoUninitialize();
    return ok;
}

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindStationWindow(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    char cls[64] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    GetClassNameA(h, cls, sizeof cls);
    if (pid == s->pid && std::string(cls) == "TMainForm1" && IsWindowVisible(h)) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool SaveWindowScreenshot(const std::string& path) {
    Search s{GetCurrentProcessId(), nullptr};
    EnumWindows(&FindStationWindow, reinterpret_cast<LPARAM>(&s));
    if (!s.found) {
        std::printf("  screenshot: the station's window is not shown\n");
        return false;
    }
    RECT r;
    GetWindowRect(s.found, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return false;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    // What the screen shows of the window, frame and children included,
    // read from the window's own device context (PrintWindow draws only the
    // window's own background under Wine).
    HDC screen = GetWindowDC(s.found);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const int stride = (w * 3 + 3) & ~3;
    std::vector<uint8_t> pixels(static_cast<const uint8_t*>(bits),
                                static_cast<const uint8_t*>(bits) +
                                    static_cast<std::size_t>(stride) * h);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(s.found, screen);
    const bool ok = WritePng(path, w, h, pixels, stride);
    std::printf("  screenshot %d x %d %s %s\n", w, h, ok ? "saved as" : "could not be saved as",
                path.c_str());
    return ok;
}

} // namespace host
