// Owners of the Windows handles that the outside libraries and the host
// hold: each frees its handle once, when it goes, and only when it is set.
#pragma once

#include <windows.h>

#include <utility>

namespace common {

// A handle released by a function of its kind.  Invalid() is the value that
// stands for "none" besides null (INVALID_HANDLE_VALUE for files and finds).
template <class H, class Traits> class Unique {
  public:
    Unique() = default;
    explicit Unique(H h) : h_(h) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& o) noexcept : h_(o.release()) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o)
            reset(o.release());
        return *this;
    }
    ~Unique() { reset(); }

    H get() const { return h_; }
    explicit operator bool() const { return Set(h_); }
    // Gives the handle up without freeing it.
    H release() { return std::exchange(h_, Traits::None()); }
    void reset(H h = Traits::None()) {
        const H old = std::exchange(h_, h);
        if (Set(old))
            Traits::Free(old);
    }

  private:
    static bool Set(H h) { return h != Traits::None() && h != H{}; }
    H h_ = Traits::None();
};

struct KernelHandleTraits {
    static HANDLE None() { return nullptr; }
    static void Free(HANDLE h) { CloseHandle(h); }
};
struct FileHandleTraits {
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Free(HANDLE h) { CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Free(HANDLE h) { FindClose(h); }
};
struct ModuleTraits {
    static HMODULE None() { return nullptr; }
    static void Free(HMODULE h) { FreeLibrary(h); }
};

// Events, threads, processes: null when none.
using UniqueHandle = Unique<HANDLE, KernelHandleTraits>;
// CreateFile: INVALID_HANDLE_VALUE when none.
using UniqueFile = Unique<HANDLE, FileHandleTraits>;
// FindFirstFile: INVALID_HANDLE_VALUE when none.
using UniqueFind = Unique<HANDLE, FindHandleTraits>;
// LoadLibrary: null when none.
using UniqueModule = Unique<HMODULE, ModuleTraits>;

} // namespace common
