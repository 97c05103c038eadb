// EdgeGauge.dll: finds the drill silhouette in the capture library's image.
//
// The station hands over the image memory alone; its size is the one that
// the capture library reports.  The gauge asks the Grabcard.dll beside it
// for it (a reference held until EdgeGaugeClose).  The image is 8-bit grey, one
// byte per pixel, rows one after another.
//
// EdgeGaugeDetectHeight answers 0 with the two edge points, or one of the
// failure codes below and leaves the four doubles as they were.
#include "contracts/edge_gauge.h"
#include "common/guarded_entry.h"
#include "common/module_folder.h"
#include "contracts/grabcard.h"
#include "libs/edge_gauge/silhouette.h"

#include <atomic>
#include <mutex>
#include <string>
#include <type_traits>

namespace {

std::atomic<int32_t> gApplication{0};
std::atomic<bool> gOpen{false};

// Failure codes of EdgeGaugeDetectHeight; 1 ... 4 are edge_gauge::Finding.
constexpr int32_t kUnknownSize = 5;  // the capture library cannot be reached or gave no size
constexpr int32_t kBadArguments = 6; // no image memory or no place for a point
constexpr int32_t kInternal = 7;     // the library itself failed (out of memory)

static_assert(static_cast<int32_t>(edge_gauge::Finding::Found) == 0);

// A module that this DLL loaded itself and must free.
class OwnedModule {
  public:
    ~OwnedModule() { Reset(); }
    HMODULE get() const { return h_; }
    void Load(const std::string& path) {
        Reset();
        h_ = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    void Reset() {
        if (h_)
            FreeLibrary(h_);
        h_ = nullptr;
    }
    // No FreeLibrary from within the loader's notification that this DLL
    // goes: the reference is left to the system (EdgeGaugeClose frees it).
    void Abandon() { h_ = nullptr; }

  private:
    HMODULE h_ = nullptr;
};

std::mutex gCaptureLock;
OwnedModule gOwnCapture;

// The folder of this DLL, with a trailing backslash; empty when unknown.
// The image size from the capture library; false when it is unknown.  The
// capture library is the one beside this DLL, which the station loaded from
// the same folder: a process may hold another module of the same name from
// another folder, so the gauge never asks by name alone.
bool ImageSize(int32_t& width, int32_t& height) {
    std::lock_guard<std::mutex> g(gCaptureLock);
    if (!gOwnCapture.get()) {
        const std::string folder =
            common::ModuleFolderOf(reinterpret_cast<const void*>(&ImageSize));
        if (!folder.empty())
            gOwnCapture.Load(folder + "\\Grabcard.dll");
    }
    HMODULE capture = gOwnCapture.get();
    if (!capture)
        capture = GetModuleHandleA("Grabcard.dll");
    if (!capture)
        return false;
    const FARPROC p = GetProcAddress(capture, "GrabcardGetImageSize");
    if (!p)
        return false;
    const auto getSize = reinterpret_cast<GrabcardGetImageSizeFn>(reinterpret_cast<void*>(p));
    int32_t w = 0, h = 0;
    if (getSize(0, &w, &h) != 0 || w < 1 || h < 1 || w > edge_gauge::kMaxSide ||
        h > edge_gauge::kMaxSide)
        return false;
    width = w;
    height = h;
    return true;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH)
        gOwnCapture.Abandon();
    return TRUE;
}

int32_t __stdcall EdgeGaugeOpen(int32_t application) {
    return common::Guarded("EdgeGaugeOpen", kInternal, [&] {
        gApplication = application;
        gOpen = true;
        return 0;
    });
}

int32_t __stdcall EdgeGaugeDetectHeight(int32_t, uint8_t* image, double* x1, double* y1, double* x2,
                                        double* y2) {
    if (!image || !x1 || !y1 || !x2 || !y2)
        return kBadArguments;
    return common::Guarded("EdgeGaugeDetectHeight", kInternal, [&] {
        int32_t width = 0, height = 0;
        if (!ImageSize(width, height))
            return kUnknownSize;
        edge_gauge::EdgePoints points;
        const edge_gauge::Finding found = edge_gauge::FindEdges(image, width, height, points);
        if (found != edge_gauge::Finding::Found)
            return static_cast<int32_t>(found);
        *x1 = points.x1;
        *y1 = points.y1;
        *x2 = points.x2;
        *y2 = points.y2;
        return 0;
    });
}

int32_t __stdcall EdgeGaugeClose() {
    return common::Guarded("EdgeGaugeClose", kInternal, [] {
        gOpen = false;
        std::lock_guard<std::mutex> g(gCaptureLock);
        gOwnCapture.Reset();
        return 0;
    });
}
}

static_assert(std::is_same_v<decltype(&EdgeGaugeOpen), EdgeGaugeOpenFn>);
static_assert(std::is_same_v<decltype(&EdgeGaugeDetectHeight), EdgeGaugeDetectHeightFn>);
static_assert(std::is_same_v<decltype(&EdgeGaugeClose), EdgeGaugeCloseFn>);
