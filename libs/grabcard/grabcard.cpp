// Grabcard.dll: a simulated frame grabber.  One block of image memory that
// stays at one address from GrabcardInit to GrabcardClose; single grabs on
// the caller's thread, live video on a thread of its own.
#include "contracts/grabcard.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <type_traits>

namespace {

class Camera {
  public:
    ~Camera() { Close(); }

    int32_t Init(int32_t* colour) {
        std::lock_guard<std::mutex> g(state_);
        if (!memory_) {
            bytes_ = static_cast<std::size_t>(width_) * height_ * (colour_ ? 3 : 1);
            memory_ = static_cast<uint8_t*>(
                VirtualAlloc(nullptr, bytes_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
            if (memory_)
                std::memset(memory_, kBackground, bytes_);
        }
        if (colour)
            *colour = colour_ ? 1 : 0;
        return memory_ ? 0 : 1;
    }

    int32_t Close() {
        Stop();
        std::lock_guard<std::mutex> g(state_);
        if (memory_) {
            VirtualFree(memory_, 0, MEM_RELEASE);
            memory_ = nullptr;
        }
        onFrame_ = nullptr;
        return 0;
    }

    int32_t GetImageSize(int32_t* width, int32_t* height) const {
        if (width)
            *width = width_;
        if (height)
            *height = height_;
        return 0;
    }

    uint8_t* ImageAddr() const { return memory_; }

    int32_t Grab() {
        if (!memory_)
            return 1;
        Render();
        Deliver();
        return 0;
    }

    int32_t Live() {
        std::lock_guard<std::mutex> g(state_);
        if (!memory_ || live_.joinable())
            return memory_ ? 0 : 1;
        stopping_ = false;
        live_ = std::thread([this] { LiveLoop(); });
        return 0;
    }

    int32_t Stop() {
        std::thread t;
        {
            std::lock_guard<std::mutex> g(state_);
            if (!live_.joinable())
                return 0;
            stopping_ = true;
            t = std::move(live_);
        }
        wake_.notify_all();
        if (t.get_id() == std::this_thread::get_id())
            t.detach();  // stopped from within a grab-finished call
        else
            t.join();    // after this no further call comes
        return 0;
    }

    void SetGrabFinished(GrabFinished fn) { onFrame_ = fn; }

  private:
    static constexpr uint8_t kBackground = 200;

    void Render() {
        std::lock_guard<std::mutex> g(frame_);
        std::memset(memory_, kBackground, bytes_);
    }

    void Deliver() {
        if (GrabFinished fn = onFrame_.load())
            fn(0, memory_);
    }

    void LiveLoop() {
        const auto period = std::chrono::milliseconds(1000 / framesPerSecond_);
        auto next = std::chrono::steady_clock::now();
        for (;;) {
            Render();
            Deliver();
            next += period;
            std::unique_lock<std::mutex> g(state_);
            if (wake_.wait_until(g, next, [this] { return stopping_; }))
                return;
        }
    }

    int32_t width_ = 640;
    int32_t height_ = 480;
    bool colour_ = false;
    int framesPerSecond_ = 25;
    std::size_t bytes_ = 0;
    uint8_t* memory_ = nullptr;
    std::atomic<GrabFinished> onFrame_{nullptr};
    std::mutex state_;
    std::mutex frame_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread live_;
};

Camera& TheCamera() {
    static Camera camera;
    return camera;
}

} // namespace

extern "C" {

int32_t __stdcall GrabcardInit(int32_t* colour) { return TheCamera().Init(colour); }
int32_t __stdcall GrabcardClose() { return TheCamera().Close(); }
int32_t __stdcall GrabcardGetImageSize(int32_t, int32_t* width, int32_t* height) {
    return TheCamera().GetImageSize(width, height);
}
uint8_t* __stdcall GrabcardGetImageAddr(int32_t, int32_t, uint8_t) {
    return TheCamera().ImageAddr();
}
int32_t __stdcall GrabcardGrab(int32_t, int32_t) { return TheCamera().Grab(); }
int32_t __stdcall GrabcardLive(int32_t, int32_t) { return TheCamera().Live(); }
int32_t __stdcall GrabcardStop(int32_t, int32_t) { return TheCamera().Stop(); }
int32_t __stdcall GrabcardSetGrabFinishFun(int32_t, GrabFinished fn) {
    TheCamera().SetGrabFinished(fn);
    return 0;
}
int32_t __stdcall GrabcardSetWaitMehod(int32_t, int32_t) { return 0; }
}

static_assert(std::is_same_v<decltype(&GrabcardInit), GrabcardInitFn>);
static_assert(std::is_same_v<decltype(&GrabcardGetImageAddr), GrabcardGetImageAddrFn>);
static_assert(std::is_same_v<decltype(&GrabcardSetGrabFinishFun), GrabcardSetGrabFinishFunFn>);
