// Scope guards for GDI: every object selected into a device context goes
// back out, every object created is deleted, every borrowed DC released.
#pragma once

#include <windows.h>

namespace kit {

// An owned GDI object (pen, brush, font, bitmap), deleted with its owner.
template <class H> class GdiObject {
  public:
    GdiObject() = default;
    explicit GdiObject(H h) : h_(h) {}
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& o) noexcept : h_(o.h_) { o.h_ = nullptr; }
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) {
            reset();
            h_ = o.h_;
            o.h_ = nullptr;
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    void reset(H h = nullptr) {
        if (h_)
            DeleteObject(h_);
        h_ = h;
    }
    H get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

  private:
    H h_ = nullptr;
};

using Pen = GdiObject<HPEN>;
using Brush = GdiObject<HBRUSH>;
using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;

// An owned icon, destroyed with its owner.
class Icon {
  public:
    Icon() = default;
    ~Icon() { reset(); }
    Icon(const Icon&) = delete;
    Icon& operator=(const Icon&) = delete;
    void reset(HICON h = nullptr) {
        if (h_)
            DestroyIcon(h_);
        h_ = h;
    }
    HICON get() const { return h_; }

  private:
    HICON h_ = nullptr;
};

// Selects an object into a DC for the guard's scope.
class Select {
  public:
    Select(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~Select() {
        if (old_)
            SelectObject(dc_, old_);
    }
    Select(const Select&) = delete;
    Select& operator=(const Select&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// Saves the DC's state (text colour, background mode, pen position...) for
// the guard's scope.
class SavedDc {
  public:
    explicit SavedDc(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedDc() { RestoreDC(dc_, saved_); }
    SavedDc(const SavedDc&) = delete;
    SavedDc& operator=(const SavedDc&) = delete;

  private:
    HDC dc_;
    int saved_;
};

// A window's client DC, released with the guard.
class ClientDc {
  public:
    explicit ClientDc(HWND h) : h_(h), dc_(GetDC(h)) {}
    ~ClientDc() {
        if (dc_)
            ReleaseDC(h_, dc_);
    }
    ClientDc(const ClientDc&) = delete;
    ClientDc& operator=(const ClientDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HWND h_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDc {
  public:
    explicit PaintDc(HWND h) : h_(h) { dc_ = BeginPaint(h, &ps_); }
    ~PaintDc() { EndPaint(h_, &ps_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    HDC get() const { return dc_; }
    const RECT& area() const { return ps_.rcPaint; }

  private:
    HWND h_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// A memory DC compatible with the screen, deleted with the guard.
class MemoryDc {
  public:
    MemoryDc() : dc_(CreateCompatibleDC(nullptr)) {}
    ~MemoryDc() {
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

} // namespace kit
