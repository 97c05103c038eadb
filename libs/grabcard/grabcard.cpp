// Grabcard.dll: the station's simulated frame grabber.
//
// One block of image memory (VirtualAlloc) that stays at one address from
// GrabcardInit to GrabcardClose.  Each frame comes from the source that
// Grabcard.ini names: the drill scene (drill_scene.h), the picture files of
// a folder played back in name order, or the no-signal marker.  A single
// grab runs on the caller's thread and calls the grab-finished function once
// before it returns; live video runs on a thread of its own and calls it
// after every frame at the configured frame rate, until GrabcardStop.
//
// Locks: state_ guards the session (settings, the memory's life, the live
// run); frame_ guards the making of a frame (the memory's content, the
// renderer, the source, the folder position).  state_ is always taken
// first; the grab-finished function is called with neither held.
#include "contracts/grabcard.h"
#include "common/guarded_entry.h"
#include "common/no_signal.h"
#include "common/win_handles.h"
#include "contracts/grabcard_sim.h"
#include "libs/grabcard/camera_config.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <type_traits>

namespace {

using grabcard::CameraConfig;
using grabcard::Source;

// ---- Picture files through the Windows Imaging Component ------------------

template <class T> class ComRef {
  public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (p_)
            p_->Release();
    }
    T** Out() { return &p_; }
    T* get() const { return p_; }
    T* operator->() const { return p_; }

  private:
    T* p_ = nullptr;
};

// COM for the calling thread, for as long as the scope lasts.  A thread that
// already has COM in another apartment keeps it.
class ComScope {
  public:
    ComScope() : owned_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (owned_)
            CoUninitialize();
    }

  private:
    bool owned_;
};

// Loads the first picture of a .bmp or .tif file into the image memory: the
// picture's top-left corner at the memory's, cut at its right and bottom
// border; what the picture does not reach is black.  A colour camera gets
// B, G, R; a monochrome one the luminance.
bool LoadPicture(const std::string& path, int width, int height, int bytesPerPixel, uint8_t* out) {
    ComScope com;
    const int chars = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (chars <= 0)
        return false;
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), chars);

    ComRef<IWICImagingFactory> factory;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICFormatConverter> converter;
    UINT w = 0, h = 0;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out()))) ||
        FAILED(factory->CreateDecoderFromFilename(wide.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder.Out())) ||
        FAILED(decoder->GetFrame(0, frame.Out())) ||
        FAILED(factory->CreateFormatConverter(converter.Out())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&w, &h)))
        return false;
    const int cw = std::min(static_cast<int>(w), width);
    const int ch = std::min(static_cast<int>(h), height);
    const UINT stride = static_cast<UINT>(cw) * 4; // B, G, R and an unused byte
    std::vector<uint8_t> bgr(static_cast<std::size_t>(stride) * std::max(ch, 1));
    const WICRect part{0, 0, cw, ch};
    if (cw > 0 && ch > 0 &&
        FAILED(converter->CopyPixels(&part, stride, static_cast<UINT>(bgr.size()), bgr.data())))
        return false;

    std::memset(out, 0, static_cast<std::size_t>(width) * height * bytesPerPixel);
    for (int y = 0; y < ch; ++y) {
        const uint8_t* src = bgr.data() + static_cast<std::size_t>(y) * stride;
        uint8_t* dst = out + static_cast<std::size_t>(y) * width * bytesPerPixel;
        for (int x = 0; x < cw; ++x, src += 4) {
            if (bytesPerPixel == 3) {
                std::memcpy(dst + 3 * x, src, 3);
            } else {
                const unsigned grey =
                    (114u * src[0] + 587u * src[1] + 299u * src[2] + 500u) / 1000u;
                dst[x] = static_cast<uint8_t>(grey);
            }
        }
    }
    return true;
}

// ---- The camera -----------------------------------------------------------

// One run of live video, shared by the camera and its thread.
struct LiveRun {
    common::UniqueHandle wake{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    common::UniqueHandle thread;
    DWORD threadId = 0;
    std::atomic<bool> stop{false};
};

// Waits for a thread to end.  Meanwhile messages sent to the waiting thread
// are answered, so that a grab-finished function that sends to a window of
// this thread cannot hold the wait up for ever.
void WaitForThread(HANDLE thread) {
    for (;;) {
        const DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (r != WAIT_OBJECT_0 + 1)
            return;
        MSG m;
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

class Camera {
  public:
    Camera() = default;
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    // At unloading.  A live thread holds a reference on this library, so a
    // run still present here means the process is ending: its thread is gone
    // or about to be; the memory is left to the process's end.
    ~Camera() {
        std::unique_lock<std::mutex> g(state_, std::try_to_lock);
        if (!g.owns_lock())
            return;
        if (live_) {
            live_->stop = true;
            SetEvent(live_->wake.get());
            return;
        }
        if (uint8_t* m = memory_.exchange(nullptr))
            VirtualFree(m, 0, MEM_RELEASE);
    }

    int32_t Init(int32_t* colour) {
        std::lock_guard<std::mutex> g(state_);
        StartSession();
        if (!memory_) {
            const int bpp = config_.colour ? 3 : 1;
            const std::size_t bytes =
                static_cast<std::size_t>(config_.width) * config_.height * bpp;
            auto* block = static_cast<uint8_t*>(
                VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
            std::lock_guard<std::mutex> f(frame_);
            width_ = config_.width;
            height_ = config_.height;
            bytesPerPixel_ = bpp;
            frames_ = 0;
            memory_ = block;
        }
        if (colour)
            *colour = config_.colour ? 1 : 0;
        return memory_ ? 0 : 1;
    }

    int32_t Close() {
        for (;;) {
            Stop();
            std::lock_guard<std::mutex> g(state_);
            if (live_)
                continue; // live again meanwhile
            std::lock_guard<std::mutex> f(frame_);
            if (uint8_t* m = memory_.exchange(nullptr))
                VirtualFree(m, 0, MEM_RELEASE);
            configured_ = false;
            onFrame_ = nullptr;
            return 0;
        }
    }

    int32_t GetImageSize(int32_t* width, int32_t* height) {
        std::lock_guard<std::mutex> g(state_);
        StartSession();
        if (width)
            *width = config_.width;
        if (height)
            *height = config_.height;
        return 0;
    }

    uint8_t* ImageAddr() const { return memory_; }

    int32_t Grab() {
        // During live video too: the live frames go on, as a camera's do.
        // Whoever measures the picture takes a copy of it.
        uint8_t* image = MakeFrame();
        if (!image)
            return 1;
        Deliver(image);
        return 0;
    }

    int32_t Live() {
        std::lock_guard<std::mutex> g(state_);
        if (!memory_)
            return 1;
        if (live_)
            return 0;
        auto run = std::make_shared<LiveRun>();
        if (!run->wake)
            return 1;
        HMODULE self = nullptr; // the thread's own reference on this library
        if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                reinterpret_cast<LPCSTR>(&LiveThread), &self))
            return 1;
        common::UniqueModule reference(self); // given up when the thread has it
        auto handoff = std::make_unique<Handoff>(Handoff{this, run, self, config_.framesPerSecond});
        run->thread.reset(
            CreateThread(nullptr, 0, &LiveThread, handoff.get(), CREATE_SUSPENDED, &run->threadId));
        if (!run->thread)
            return 1;
        handoff.release();   // the thread owns it now
        reference.release(); // and its reference on the library
        live_ = run;
        ResumeThread(run->thread.get());
        return 0;
    }

    int32_t Stop() {
        std::shared_ptr<LiveRun> run;
        {
            std::lock_guard<std::mutex> g(state_);
            run = std::move(live_);
        }
        if (!run)
            return 0;
        run->stop = true;
        SetEvent(run->wake.get());
        // From within the grab-finished function on the live thread itself the
        // thread ends when that call returns; from any other thread, wait.
        if (GetCurrentThreadId() != run->threadId)
            WaitForThread(run->thread.get());
        return 0;
    }

    void SetGrabFinished(GrabFinished fn) { onFrame_ = fn; }
    void SetWaitMethod(int32_t method) { waitMethod_ = method; }

    // ---- simulator ----

    void SetScene(const drill_scene::Scene& scene) {
        std::lock_guard<std::mutex> g(state_);
        StartSession();
        std::lock_guard<std::mutex> f(frame_);
        sceneCamera_.SetScene(scene);
    }

    drill_scene::Scene GetScene(bool* shown = nullptr) {
        std::lock_guard<std::mutex> g(state_);
        StartSession();
        std::lock_guard<std::mutex> f(frame_);
        if (shown)
            *shown = source_ == Source::Scene;
        return sceneCamera_.scene();
    }

    int32_t FrameCount() const { return frames_; }

    void SetSource(Source source) {
        std::lock_guard<std::mutex> g(state_);
        StartSession();
        std::lock_guard<std::mutex> f(frame_);
        source_ = source;
        files_ = source == Source::Folder ? grabcard::PictureFiles(config_.folder)
                                          : std::vector<std::string>{};
        nextFile_ = 0;
    }

  private:
    struct Handoff {
        Camera* camera;
        std::shared_ptr<LiveRun> run;
        HMODULE module;
        int32_t framesPerSecond;
    };

    // Reads the settings once per session; holds state_.
    void StartSession() {
        if (configured_)
            return;
        config_ = grabcard::ReadCameraConfig();
        configured_ = true;
        std::lock_guard<std::mutex> f(frame_);
        sceneCamera_.SetScene(config_.scene);
        source_ = config_.source;
        files_ = source_ == Source::Folder ? grabcard::PictureFiles(config_.folder)
                                           : std::vector<std::string>{};
        nextFile_ = 0;
    }

    // The next frame, complete in the image memory; null before GrabcardInit.
    uint8_t* MakeFrame() {
        std::lock_guard<std::mutex> f(frame_);
        uint8_t* image = memory_;
        if (!image)
            return nullptr;
        const int32_t number = frames_ + 1;
        switch (source_) {
        case Source::Scene:
            sceneCamera_.Frame(width_, height_, static_cast<uint64_t>(number), image,
                               bytesPerPixel_);
            break;
        case Source::Folder:
            if (files_.empty() ||
                !LoadPicture(files_[nextFile_], width_, height_, bytesPerPixel_, image))
                NoSignal(image);
            if (!files_.empty())
                nextFile_ = (nextFile_ + 1) % files_.size();
            break;
        case Source::NoSignal:
            NoSignal(image);
            break;
        }
        frames_ = number;
        return image;
    }

    void NoSignal(uint8_t* image) const {
        std::memset(image, 0, static_cast<std::size_t>(width_) * height_ * bytesPerPixel_);
        std::memcpy(image, common::kNoSignalMarker, sizeof common::kNoSignalMarker);
    }

    void Deliver(uint8_t* image) {
        if (GrabFinished fn = onFrame_.load())
            fn(0, image);
    }

    // The live thread: nothing thrown in a frame leaves it (the video then
    // ends, and GrabcardStop and GrabcardClose still find a finished run).
    static DWORD WINAPI LiveThread(void* param) {
        std::unique_ptr<Handoff> h(static_cast<Handoff*>(param));
        const HMODULE module = h->module;
        common::GuardedVoid("Grabcard live thread",
                            [&] { h->camera->LiveLoop(*h->run, h->framesPerSecond); });
        h.reset();
        FreeLibraryAndExitThread(module, 0);
    }

    void LiveLoop(LiveRun& run, int32_t framesPerSecond) {
        ComScope com; // for the folder's picture files
        LARGE_INTEGER frequency, now;
        QueryPerformanceFrequency(&frequency);
        const double period = static_cast<double>(frequency.QuadPart) / framesPerSecond;
        QueryPerformanceCounter(&now);
        double next = static_cast<double>(now.QuadPart);
        while (!run.stop) {
            uint8_t* image = MakeFrame();
            if (!image || run.stop)
                return;
            Deliver(image);
            next += period;
            QueryPerformanceCounter(&now);
            const double t = static_cast<double>(now.QuadPart);
            if (next < t - period)
                next = t; // fell behind: no burst of frames to catch up
            const double ms = (next - t) * 1000.0 / static_cast<double>(frequency.QuadPart);
            const DWORD wait = ms > 0 ? static_cast<DWORD>(std::ceil(ms)) : 0;
            if (WaitForSingleObject(run.wake.get(), wait) == WAIT_OBJECT_0)
                return;
        }
    }

    std::mutex state_;
    std::mutex frame_;
    // state_
    bool configured_ = false;
    CameraConfig config_;
    std::shared_ptr<LiveRun> live_;
    // frame_ (memory_ is written under both)
    std::atomic<uint8_t*> memory_{nullptr};
    int width_ = 0;
    int height_ = 0;
    int bytesPerPixel_ = 1;
    drill_scene::SceneCamera sceneCamera_;
    Source source_ = Source::Scene;
    std::vector<std::string> files_;
    std::size_t nextFile_ = 0;
    // any thread
    std::atomic<GrabFinished> onFrame_{nullptr};
    std::atomic<int32_t> frames_{0};
    std::atomic<int32_t> waitMethod_{1}; // every method waits for the complete frame
};

Camera& TheCamera() {
    static Camera camera;
    return camera;
}

// The drill of a C scene over the lighting of `s`.
drill_scene::Scene FromC(const DrillScene& c, drill_scene::Scene s) {
    s.mmPerPixel = c.mmPerPixel;
    s.tipColumn = c.tipColumn;
    s.axisRow = c.axisRow;
    s.bodyDiameter = c.bodyDiameter;
    s.shankDiameter = c.shankDiameter;
    s.bodyLength = c.bodyLength;
    s.neckLength = c.neckLength;
    s.totalLength = c.totalLength;
    s.tipAngle = c.tipAngle;
    s.ringOuterDiameter = c.ringOuterDiameter;
    s.ringWidth = c.ringWidth;
    s.ringPlace = c.ringPlace;
    s.background = c.background;
    s.silhouette = c.silhouette;
    s.blurSigma = c.blurSigma;
    s.noiseSigma = c.noiseSigma;
    s.seed = static_cast<uint32_t>(c.seed);
    return s;
}

DrillScene ToC(const drill_scene::Scene& s) {
    DrillScene c{};
    c.mmPerPixel = s.mmPerPixel;
    c.tipColumn = s.tipColumn;
    c.axisRow = s.axisRow;
    c.bodyDiameter = s.bodyDiameter;
    c.shankDiameter = s.shankDiameter;
    c.bodyLength = s.bodyLength;
    c.neckLength = s.neckLength;
    c.totalLength = s.totalLength;
    c.tipAngle = s.tipAngle;
    c.ringOuterDiameter = s.ringOuterDiameter;
    c.ringWidth = s.ringWidth;
    c.ringPlace = s.ringPlace;
    c.background = s.background;
    c.silhouette = s.silhouette;
    c.blurSigma = s.blurSigma;
    c.noiseSigma = s.noiseSigma;
    c.seed = static_cast<int32_t>(s.seed);
    c.reserved = 0;
    return c;
}

drill_scene::Scene WithLighting(const DrillLighting& c, drill_scene::Scene s) {
    s.backgroundRight = c.backgroundRight;
    s.vignetting = c.vignetting;
    s.dustSmallest = c.dustSmallest;
    s.dustLargest = c.dustLargest;
    s.dustSpecks = c.dustSpecks;
    s.dustSeed = static_cast<uint32_t>(c.dustSeed);
    s.cutColumn = c.cutColumn;
    return s;
}

DrillLighting LightingOf(const drill_scene::Scene& s) {
    DrillLighting c{};
    c.backgroundRight = s.backgroundRight;
    c.vignetting = s.vignetting;
    c.dustSmallest = s.dustSmallest;
    c.dustLargest = s.dustLargest;
    c.dustSpecks = s.dustSpecks;
    c.dustSeed = static_cast<int32_t>(s.dustSeed);
    c.cutColumn = s.cutColumn;
    c.reserved = 0;
    return c;
}

DrillTruth ToC(const drill_scene::Truth& t) {
    DrillTruth c{};
    c.tipColumn = t.tipColumn;
    c.pointEndColumn = t.pointEndColumn;
    c.topEdgeRow = t.topEdgeRow;
    c.bottomEdgeRow = t.bottomEdgeRow;
    c.bodyHeight = t.bodyHeight;
    c.bodyEndColumn = t.bodyEndColumn;
    c.shankStartColumn = t.shankStartColumn;
    c.shankHeight = t.shankHeight;
    c.drillEndColumn = t.drillEndColumn;
    c.ringLeftColumn = t.ringLeftColumn;
    c.ringRightColumn = t.ringRightColumn;
    c.ringHeight = t.ringHeight;
    return c;
}

} // namespace

extern "C" {

// Every export answers 1 (or null) when something inside fails unexpectedly.
int32_t __stdcall GrabcardInit(int32_t* colour) {
    return common::Guarded("GrabcardInit", 1, [&] { return TheCamera().Init(colour); });
}
int32_t __stdcall GrabcardClose() {
    return common::Guarded("GrabcardClose", 1, [] { return TheCamera().Close(); });
}
int32_t __stdcall GrabcardGetImageSize(int32_t, int32_t* width, int32_t* height) {
    return common::Guarded("GrabcardGetImageSize", 1,
                           [&] { return TheCamera().GetImageSize(width, height); });
}
uint8_t* __stdcall GrabcardGetImageAddr(int32_t, int32_t, uint8_t) {
    return common::Guarded("GrabcardGetImageAddr", static_cast<uint8_t*>(nullptr),
                           [] { return TheCamera().ImageAddr(); });
}
int32_t __stdcall GrabcardGrab(int32_t, int32_t) {
    return common::Guarded("GrabcardGrab", 1, [] { return TheCamera().Grab(); });
}
int32_t __stdcall GrabcardLive(int32_t, int32_t) {
    return common::Guarded("GrabcardLive", 1, [] { return TheCamera().Live(); });
}
int32_t __stdcall GrabcardStop(int32_t, int32_t) {
    return common::Guarded("GrabcardStop", 1, [] { return TheCamera().Stop(); });
}
int32_t __stdcall GrabcardSetGrabFinishFun(int32_t, GrabFinished fn) {
    return common::Guarded("GrabcardSetGrabFinishFun", 1, [&] {
        TheCamera().SetGrabFinished(fn);
        return 0;
    });
}
int32_t __stdcall GrabcardSetWaitMehod(int32_t, int32_t method) {
    return common::Guarded("GrabcardSetWaitMehod", 1, [&] {
        TheCamera().SetWaitMethod(method);
        return 0;
    });
}

int32_t __stdcall GrabcardSimSetScene(const DrillScene* scene) {
    return common::Guarded("GrabcardSimSetScene", 1, [&] {
        if (!scene)
            return 1;
        const drill_scene::Scene s = FromC(*scene, TheCamera().GetScene());
        if (drill_scene::SceneProblem(s))
            return 1;
        TheCamera().SetScene(s);
        return 0;
    });
}

// The lighting of the scene: kept apart from the drill, which SetScene sets.
int32_t __stdcall GrabcardSimSetLighting(const DrillLighting* lighting) {
    return common::Guarded("GrabcardSimSetLighting", 1, [&] {
        if (!lighting)
            return 1;
        const drill_scene::Scene s = WithLighting(*lighting, TheCamera().GetScene());
        if (drill_scene::SceneProblem(s))
            return 1;
        TheCamera().SetScene(s);
        return 0;
    });
}

int32_t __stdcall GrabcardSimGetLighting(DrillLighting* lighting) {
    return common::Guarded("GrabcardSimGetLighting", 1, [&] {
        if (!lighting)
            return 1;
        *lighting = LightingOf(TheCamera().GetScene());
        return 0;
    });
}

int32_t __stdcall GrabcardSimGetScene(DrillScene* scene) {
    return common::Guarded("GrabcardSimGetScene", 1, [&] {
        if (!scene)
            return 1;
        *scene = ToC(TheCamera().GetScene());
        return 0;
    });
}

int32_t __stdcall GrabcardSimGetTruth(DrillTruth* truth) {
    return common::Guarded("GrabcardSimGetTruth", 1, [&] {
        if (!truth)
            return 1;
        bool shown = false;
        *truth = ToC(drill_scene::TruthOf(TheCamera().GetScene(&shown)));
        return shown ? 0 : 2;
    });
}

int32_t __stdcall GrabcardSimFrameCount() {
    return common::Guarded("GrabcardSimFrameCount", 0, [] { return TheCamera().FrameCount(); });
}

int32_t __stdcall GrabcardSimSetSource(int32_t source) {
    return common::Guarded("GrabcardSimSetSource", 1, [&] {
        if (source < 0 || source > 2)
            return 1;
        TheCamera().SetSource(static_cast<Source>(source));
        return 0;
    });
}
}

static_assert(std::is_same_v<decltype(&GrabcardInit), GrabcardInitFn>);
static_assert(std::is_same_v<decltype(&GrabcardClose), GrabcardCloseFn>);
static_assert(std::is_same_v<decltype(&GrabcardGetImageSize), GrabcardGetImageSizeFn>);
static_assert(std::is_same_v<decltype(&GrabcardGetImageAddr), GrabcardGetImageAddrFn>);
static_assert(std::is_same_v<decltype(&GrabcardGrab), GrabcardGrabFn>);
static_assert(std::is_same_v<decltype(&GrabcardLive), GrabcardLiveFn>);
static_assert(std::is_same_v<decltype(&GrabcardStop), GrabcardStopFn>);
static_assert(std::is_same_v<decltype(&GrabcardSetGrabFinishFun), GrabcardSetGrabFinishFunFn>);
static_assert(std::is_same_v<decltype(&GrabcardSetWaitMehod), GrabcardSetWaitMehodFn>);
static_assert(std::is_same_v<decltype(&GrabcardSimSetScene), GrabcardSimSetSceneFn>);
static_assert(std::is_same_v<decltype(&GrabcardSimGetScene), GrabcardSimGetSceneFn>);
static_assert(std::is_same_v<decltype(&GrabcardSimSetLighting), GrabcardSimSetLightingFn>);
static_assert(std::is_same_v<decltype(&GrabcardSimGetLighting), GrabcardSimGetLightingFn>);
static_assert(std::is_same_v<decltype(&GrabcardSimGetTruth), GrabcardSimGetTruthFn>);
static_assert(std::is_same_v<decltype(&GrabcardSimFrameCount), GrabcardSimFrameCountFn>);
static_assert(std::is_same_v<decltype(&GrabcardSimSetSource), GrabcardSimSetSourceFn>);
