// Grabcard.dll, the simulated frame grabber, loaded from a copy of the
// station folder with a Grabcard.ini of each test's own.
#include "common/no_signal.h"
#include "contracts/grabcard.h"
#include "contracts/grabcard_sim.h"
#include "tests/win32/station_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>

namespace {

using common::kNoSignalMarker;

// The library's exports, bound by name as the station binds them.
struct GrabcardLibrary {
    explicit GrabcardLibrary(const std::string& path) {
        module = LoadLibraryA(path.c_str());
        EXPECT_NE(module, nullptr) << path;
        if (!module)
            return;
        Bind("GrabcardInit", api.Init);
        Bind("GrabcardClose", api.Close);
        Bind("GrabcardGetImageSize", api.GetImageSize);
        Bind("GrabcardGetImageAddr", api.GetImageAddr);
        Bind("GrabcardGrab", api.Grab);
        Bind("GrabcardLive", api.Live);
        Bind("GrabcardStop", api.Stop);
        Bind("GrabcardSetGrabFinishFun", api.SetGrabFinishFun);
        Bind("GrabcardSetWaitMehod", api.SetWaitMehod);
        Bind("GrabcardSimSetScene", SetScene);
        Bind("GrabcardSimGetScene", GetScene);
        Bind("GrabcardSimGetTruth", GetTruth);
        Bind("GrabcardSimFrameCount", FrameCount);
        Bind("GrabcardSimSetSource", SetSource);
    }
    ~GrabcardLibrary() {
        if (!module)
            return;
        if (api.Close)
            api.Close();
        FreeLibrary(module);
    }
    template <class F> void Bind(const char* name, F& slot) {
        FARPROC p = GetProcAddress(module, name);
        EXPECT_NE(p, nullptr) << name;
        slot = reinterpret_cast<F>(reinterpret_cast<void*>(p));
    }
    bool Bound() const {
        return api.Init && api.Close && api.GetImageSize && api.GetImageAddr && api.Grab &&
               api.Live && api.Stop && api.SetGrabFinishFun && api.SetWaitMehod && SetScene &&
               GetScene && GetTruth && FrameCount && SetSource;
    }

    HMODULE module = nullptr;
    GrabcardApi api;
    GrabcardSimSetSceneFn SetScene = nullptr;
    GrabcardSimGetSceneFn GetScene = nullptr;
    GrabcardSimGetTruthFn GetTruth = nullptr;
    GrabcardSimFrameCountFn FrameCount = nullptr;
    GrabcardSimSetSourceFn SetSource = nullptr;
};

// What the grab-finished function has seen.
std::atomic<int> gCalls{0};
std::atomic<uint8_t*> gImage{nullptr};
std::atomic<bool> gImageMoved{false}; // an image other than the first came
std::atomic<DWORD> gThread{0};
std::atomic<GrabcardStopFn> gStopFromCallback{nullptr};
std::atomic<bool> gStopReturned{false};

void __stdcall OnFrame(int32_t, uint8_t* image) {
    uint8_t* first = nullptr;
    if (!gImage.compare_exchange_strong(first, image) && first != image)
        gImageMoved = true;
    gThread = GetCurrentThreadId();
    ++gCalls;
    if (GrabcardStopFn stop = gStopFromCallback.exchange(nullptr)) {
        stop(0, 0);
        gStopReturned = true;
    }
}

// Waits up to ms for the callback count to reach n.
bool WaitForCalls(int n, DWORD ms) {
    return testing_station::WaitUntil([n] { return gCalls >= n; }, ms);
}

// Live video at framesPerSecond: the seconds that n more frames take after
// the next one, or a negative value when they do not come within ms.
double SecondsForFrames(int n, DWORD ms) {
    const int first = gCalls + 1;
    if (!WaitForCalls(first, ms))
        return -1;
    const auto start = std::chrono::steady_clock::now();
    if (!WaitForCalls(first + n, ms))
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The least time n frame intervals take at a frame rate: the camera keeps
// to its schedule and, after falling behind, catches up by one frame at
// most.  A loaded machine only makes frames come later, never sooner.
double LeastSecondsFor(int n, double framesPerSecond) {
    return (n - 2) / framesPerSecond;
}

// Runs work on a thread of its own; a hang ends the test run at once.
void MustEndWithin(DWORD ms, const char* what, std::function<void()> work) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread t([work = std::move(work), done] {
        work();
        *done = true;
    });
    if (testing_station::WaitUntil([&] { return done->load(); }, ms)) {
        t.join();
        return;
    }
    std::fprintf(stderr, "HANG: %s did not end within %lu ms\n", what, ms);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
}

std::string Settings(const std::string& camera, const std::string& scene = "") {
    return "[Camera]\r\n" + camera + "[Scene]\r\n" + scene;
}

// ---- Picture files written byte by byte ----------------------------------

void Put16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, static_cast<uint16_t>(v & 0xFFFF));
    Put16(s, static_cast<uint16_t>(v >> 16));
}

// A BMP, bottom-up as the format stores it; pixel(x, y) gives B, G, R for row
// y from the top; grey = an 8-bit file with a grey palette (B used).
std::string Bmp(int w, int h, bool grey, const std::function<uint32_t(int, int)>& pixel) {
    const int bpp = grey ? 1 : 3;
    const int stride = (w * bpp + 3) & ~3;
    const uint32_t palette = grey ? 256 * 4 : 0;
    const uint32_t offset = 14 + 40 + palette;
    std::string f = "BM";
    Put32(f, offset + stride * h);
    Put32(f, 0);
    Put32(f, offset);
    Put32(f, 40);
    Put32(f, w);
    Put32(f, h);
    Put16(f, 1);
    Put16(f, static_cast<uint16_t>(bpp * 8));
    Put32(f, 0);
    Put32(f, stride * h);
    Put32(f, 2835);
    Put32(f, 2835);
    Put32(f, grey ? 256 : 0);
    Put32(f, 0);
    if (grey)
        for (uint32_t i = 0; i < 256; ++i)
            Put32(f, i | i << 8 | i << 16);
    for (int y = h - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < w; ++x) {
            const uint32_t bgr = pixel(x, y);
            row += static_cast<char>(bgr & 0xFF);
            if (!grey) {
                row += static_cast<char>((bgr >> 8) & 0xFF);
                row += static_cast<char>((bgr >> 16) & 0xFF);
            }
        }
        row.resize(stride, '\0');
        f += row;
    }
    return f;
}

// An uncompressed 8-bit grey baseline TIFF, little-endian, one strip.
std::string Tiff(int w, int h, const std::function<uint8_t(int, int)>& grey) {
    const uint16_t entries = 12;
    const uint32_t ifd = 8, rationals = ifd + 2 + entries * 12 + 4, data = rationals + 16;
    std::string f = "II";
    Put16(f, 42);
    Put32(f, ifd);
    Put16(f, entries);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
        Put16(f, tag);
        Put16(f, type);
        Put32(f, 1);
        if (type == 3) {
            Put16(f, static_cast<uint16_t>(value));
            Put16(f, 0);
        } else {
            Put32(f, value);
        }
    };
    entry(256, 4, w);         // width
    entry(257, 4, h);         // length
    entry(258, 3, 8);         // bits per sample
    entry(259, 3, 1);         // no compression
    entry(262, 3, 1);         // black is zero
    entry(273, 4, data);      // strip offset
    entry(277, 3, 1);         // samples per pixel
    entry(278, 4, h);         // rows per strip
    entry(279, 4, w * h);     // strip bytes
    entry(282, 5, rationals); // x resolution
    entry(283, 5, rationals + 8);
    entry(296, 3, 2); // inch
    Put32(f, 0);      // no further directory
    for (int i = 0; i < 2; ++i) {
        Put32(f, 72);
        Put32(f, 1);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            f += static_cast<char>(grey(x, y));
    return f;
}

} // namespace

// Each test: a station copy, its own Grabcard.ini, the library loaded from there.
class Grabcard : public ::testing::Test {
  protected:
    void SetUp() override {
        gCalls = 0;
        gImage = nullptr;
        gImageMoved = false;
        gThread = 0;
        gStopFromCallback = nullptr;
        gStopReturned = false;
    }

    // Loads the library; with settings, they replace the station's Grabcard.ini first.
    GrabcardLibrary& Load(const std::string& settings = "") {
        if (!settings.empty())
            copy_.WriteFile("Grabcard.ini", settings);
        dll_ = std::make_unique<GrabcardLibrary>(copy_.Path("Grabcard.dll"));
        EXPECT_TRUE(dll_->Bound());
        return *dll_;
    }

    // Init, callback registered, wait method 1: the station's start-up.
    uint8_t* Start(GrabcardLibrary& g, int32_t* colour = nullptr) {
        int32_t c = -1;
        EXPECT_EQ(g.api.Init(&c), 0);
        if (colour)
            *colour = c;
        g.api.SetGrabFinishFun(0, &OnFrame);
        g.api.SetWaitMehod(0, 1);
        return g.api.GetImageAddr(0, 0, 0);
    }

    // Live video until n frames came (at most ms), then stopped; whether
    // they came.
    bool LiveUntil(GrabcardLibrary& g, int n, DWORD ms) {
        const int before = gCalls;
        EXPECT_EQ(g.api.Live(0, 0), 0);
        const bool came = WaitForCalls(before + n, ms);
        EXPECT_EQ(g.api.Stop(0, 0), 0);
        return came;
    }
    // Live video at the rate: n frame intervals take no less than the rate
    // allows and come within ms.
    void ExpectFrameRate(GrabcardLibrary& g, double framesPerSecond, int n, DWORD ms) {
        EXPECT_EQ(g.api.Live(0, 0), 0);
        const double seconds = SecondsForFrames(n, ms);
        EXPECT_EQ(g.api.Stop(0, 0), 0);
        EXPECT_GE(seconds, 0) << n << " frames did not come within " << ms << " ms";
        EXPECT_GE(seconds, LeastSecondsFor(n, framesPerSecond))
            << n << " frames faster than " << framesPerSecond << " per second";
    }

    testing_station::StationCopy copy_;
    std::unique_ptr<GrabcardLibrary> dll_;
};

TEST_F(Grabcard, ShippedSettingsGiveTheDrillScene) {
    auto& g = Load();
    int32_t colour = -1;
    uint8_t* image = Start(g, &colour);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(colour, 0);
    int32_t w = 0, h = 0;
    g.api.GetImageSize(0, &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);

    EXPECT_EQ(g.api.Grab(0, 0), 0);
    EXPECT_EQ(gCalls, 1) << "one call per single grab";
    EXPECT_EQ(gImage.load(), image);
    EXPECT_EQ(gThread.load(), GetCurrentThreadId()) << "a single grab calls back on its caller";
    EXPECT_EQ(g.FrameCount(), 1);

    DrillScene scene{};
    EXPECT_EQ(g.GetScene(&scene), 0);
    EXPECT_EQ(scene.mmPerPixel, 0.02);
    EXPECT_EQ(scene.shankDiameter, 3.175);
    EXPECT_EQ(scene.tipAngle, 130.0);
    EXPECT_EQ(scene.noiseSigma, 2.0);
    EXPECT_EQ(scene.seed, 1);
    DrillTruth truth{};
    EXPECT_EQ(g.GetTruth(&truth), 0);
    EXPECT_EQ(truth.tipColumn, 80.0);
    EXPECT_EQ(truth.topEdgeRow, 215.0);
    EXPECT_EQ(truth.bottomEdgeRow, 265.0);
    EXPECT_EQ(truth.bodyHeight, 50.0);

    auto at = [&](int x, int y) { return static_cast<int>(image[y * w + x]); };
    EXPECT_NEAR(at(10, 10), 200, 12) << "back light";
    EXPECT_NEAR(at(40, 240), 200, 12) << "left of the tip";
    EXPECT_NEAR(at(200, 240), 40, 12) << "the body";
    EXPECT_NEAR(at(639, 240), 40, 12) << "the shank runs out of the right border";
    EXPECT_NEAR(at(570, 140), 40, 12) << "the ring";
    EXPECT_NEAR(at(500, 140), 200, 12) << "above the shank, left of the ring";
    int dark = 0;
    for (int y = 0; y < h; ++y)
        dark += at(200, y) < 120;
    EXPECT_NEAR(dark, 50, 2) << "the body is 1 mm = 50 pixels high";
}

TEST_F(Grabcard, ImageMemoryStaysAtOneAddressUntilClose) {
    auto& g = Load();
    uint8_t* image = Start(g);
    ASSERT_NE(image, nullptr);
    MEMORY_BASIC_INFORMATION mbi{};
    ASSERT_EQ(VirtualQuery(image, &mbi, sizeof mbi), sizeof mbi);
    EXPECT_EQ(mbi.AllocationBase, image) << "one block of its own";
    EXPECT_EQ(mbi.State, static_cast<DWORD>(MEM_COMMIT));
    EXPECT_EQ(mbi.Type, static_cast<DWORD>(MEM_PRIVATE));
    EXPECT_GE(mbi.RegionSize, 640u * 480u);
    std::memset(image, 0x5A, 640 * 480); // the station writes into it

    int32_t colour = -1;
    EXPECT_EQ(g.api.Init(&colour), 0) << "a second Init";
    EXPECT_EQ(colour, 0);
    EXPECT_EQ(g.api.GetImageAddr(0, 0, 0), image);
    EXPECT_EQ(g.api.Grab(0, 0), 0);
    EXPECT_EQ(g.api.GetImageAddr(0, 0, 1), image);
    int left = 0;
    for (int i = 0; i < 640 * 480; ++i)
        left += image[i] == 0x5A;
    EXPECT_LT(left, 640 * 480 / 100) << "the grab refilled the memory";
    EXPECT_EQ(g.api.Live(0, 0), 0);
    EXPECT_TRUE(WaitForCalls(6, 3000));
    EXPECT_EQ(g.api.GetImageAddr(0, 0, 0), image);
    EXPECT_EQ(g.api.Stop(0, 0), 0);
    EXPECT_EQ(g.api.GetImageAddr(0, 0, 0), image);
    EXPECT_EQ(gImage.load(), image);
    EXPECT_FALSE(gImageMoved) << "every frame came at the one address";

    EXPECT_EQ(g.api.Close(), 0);
    EXPECT_EQ(g.api.GetImageAddr(0, 0, 0), nullptr);
    const int calls = gCalls;
    EXPECT_NE(g.api.Grab(0, 0), 0) << "no grab after Close";
    EXPECT_EQ(gCalls, calls);
    EXPECT_EQ(VirtualQuery(image, &mbi, sizeof mbi), sizeof mbi);
    EXPECT_EQ(mbi.State, static_cast<DWORD>(MEM_FREE)) << "Close frees the memory";

    EXPECT_EQ(g.api.Init(&colour), 0) << "the camera starts again";
    EXPECT_NE(g.api.GetImageAddr(0, 0, 0), nullptr);
}

TEST_F(Grabcard, LiveDeliversAtTheFrameRateAndNothingAfterStop) {
    auto& g = Load();
    Start(g);
    EXPECT_EQ(g.api.Live(0, 0), 0);
    EXPECT_EQ(g.api.Live(0, 0), 0) << "live twice is one live run";
    // Two runs would deliver twice the frames in the time.
    const double seconds = SecondsForFrames(20, 5000);
    EXPECT_EQ(g.api.Stop(0, 0), 0);
    const int frames = gCalls;
    EXPECT_GE(seconds, LeastSecondsFor(20, 25)) << "20 frames faster than 25 per second";
    EXPECT_NE(gThread.load(), GetCurrentThreadId()) << "live runs on a thread of its own";
    // Nothing is awaited here: time must pass, seven frame periods, to show
    // that no frame comes after Stop returned.
    Sleep(300);
    EXPECT_EQ(gCalls, frames) << "no call after Stop returned";
    // A frame that was being made when Stop came is not delivered.
    EXPECT_GE(g.FrameCount(), frames);
    EXPECT_LE(g.FrameCount(), frames + 1);
    EXPECT_EQ(g.api.Stop(0, 0), 0) << "stop when stopped";

    EXPECT_TRUE(LiveUntil(g, 6, 3000)) << "live again after a stop";
    ExpectFrameRate(g, 25, 10, 5000);
}

TEST_F(Grabcard, FrameRateFollowsTheSettings) {
    auto& g = Load(Settings("FrameRate=10\r\n"));
    Start(g);
    // 10 frame intervals at 25 per second would take 0.4 s, at 10 at least 0.8 s.
    ExpectFrameRate(g, 10, 10, 5000);
}

TEST_F(Grabcard, StopFromWithinTheGrabFinishedFunction) {
    auto& g = Load();
    Start(g);
    MustEndWithin(5000, "Stop from the live thread's callback", [&] {
        gStopFromCallback = g.api.Stop;
        EXPECT_EQ(g.api.Live(0, 0), 0);
        EXPECT_TRUE(WaitForCalls(1, 3000));
        testing_station::WaitUntil([] { return gStopReturned.load(); }, 3000);
    });
    EXPECT_TRUE(gStopReturned) << "Stop returned within the callback";
    // Time must pass, seven frame periods, to show that no frame follows.
    Sleep(300);
    EXPECT_EQ(gCalls, 1) << "the stopping frame was the last";

    EXPECT_TRUE(LiveUntil(g, 4, 3000)) << "live starts again";

    // From within the callback of a single grab, while live video runs.
    MustEndWithin(5000, "Stop from a single grab's callback", [&] {
        EXPECT_EQ(g.api.Live(0, 0), 0);
        EXPECT_TRUE(WaitForCalls(gCalls + 2, 3000));
        gStopFromCallback = g.api.Stop;
        while (gStopFromCallback.load()) // the live thread may take the request
            g.api.Grab(0, 0);
    });
    EXPECT_TRUE(gStopReturned);
    // A frame the live thread was delivering while the grab's callback
    // stopped it may still arrive; after that, time must pass to show that
    // nothing follows.  Neither can be awaited.
    Sleep(200);
    const int stopped = gCalls;
    Sleep(300);
    EXPECT_EQ(gCalls, stopped) << "live video ended";
    MustEndWithin(5000, "Close", [&] { EXPECT_EQ(g.api.Close(), 0); });
}

TEST_F(Grabcard, CloseEndsLiveVideo) {
    auto& g = Load();
    Start(g);
    EXPECT_EQ(g.api.Live(0, 0), 0);
    EXPECT_TRUE(WaitForCalls(3, 3000));
    MustEndWithin(5000, "Close during live video", [&] { EXPECT_EQ(g.api.Close(), 0); });
    const int frames = gCalls;
    // Time must pass, seven frame periods, to show that no frame follows.
    Sleep(300);
    EXPECT_EQ(gCalls, frames);
    EXPECT_EQ(g.api.GetImageAddr(0, 0, 0), nullptr);
}

TEST_F(Grabcard, NoSignalSourceStartsWithTheMarker) {
    auto& g = Load(Settings("Source=nosignal\r\n"));
    uint8_t* image = Start(g);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(g.api.Grab(0, 0), 0);
    EXPECT_EQ(gCalls, 1);
    EXPECT_EQ(std::memcmp(image, kNoSignalMarker, 8), 0);
    int lit = 0;
    for (int i = 8; i < 640 * 480; ++i)
        lit += image[i] != 0;
    EXPECT_EQ(lit, 0) << "the rest is black";
    DrillTruth truth{};
    EXPECT_EQ(g.GetTruth(&truth), 2) << "the scene is not shown";
    EXPECT_EQ(truth.tipColumn, 80.0);

    EXPECT_EQ(g.SetSource(GrabcardSourceScene), 0);
    g.api.Grab(0, 0);
    EXPECT_NE(std::memcmp(image, kNoSignalMarker, 8), 0);
    EXPECT_NEAR(image[10 * 640 + 10], 200, 12);
    EXPECT_EQ(g.GetTruth(&truth), 0);
    EXPECT_EQ(g.SetSource(GrabcardSourceNoSignal), 0);
    g.api.Grab(0, 0);
    EXPECT_EQ(std::memcmp(image, kNoSignalMarker, 8), 0);
    EXPECT_EQ(g.SetSource(5), 1);
}

TEST_F(Grabcard, ColourCameraHasThreeBytesPerPixel) {
    auto& g = Load(Settings("Colour=1\r\nWidth=642\r\nHeight=480\r\n"));
    int32_t colour = -1;
    uint8_t* image = Start(g, &colour);
    ASSERT_NE(image, nullptr);
    EXPECT_NE(colour, 0);
    int32_t w = 0, h = 0;
    g.api.GetImageSize(0, &w, &h);
    EXPECT_EQ(w, 640) << "a row of 642 x 3 bytes is no multiple of 4";
    EXPECT_EQ(h, 480);
    EXPECT_EQ(w * 3 % 4, 0);
    MEMORY_BASIC_INFORMATION mbi{};
    ASSERT_EQ(VirtualQuery(image, &mbi, sizeof mbi), sizeof mbi);
    EXPECT_GE(mbi.RegionSize, 640u * 480u * 3u);
    EXPECT_EQ(g.api.Grab(0, 0), 0);
    int unequal = 0;
    for (int i = 0; i < w * h; ++i)
        unequal += image[3 * i] != image[3 * i + 1] || image[3 * i] != image[3 * i + 2];
    EXPECT_EQ(unequal, 0) << "a grey scene: B = G = R";
    EXPECT_NEAR(image[3 * (240 * w + 200)], 40, 12);
    EXPECT_NEAR(image[3 * (10 * w + 10)], 200, 12);
    EXPECT_NEAR(image[3 * (240 * w + 639) + 2], 40, 12) << "last pixel of the axis row";
    std::memset(image, 0, static_cast<std::size_t>(w) * h * 3); // all of it writable
}

TEST_F(Grabcard, WidthBecomesAMultipleOfFourAndBadValuesKeepTheirDefaults) {
    auto& g = Load(Settings("Width=643\r\nHeight=101\r\nFrameRate=fast\r\nSource=camera\r\n",
                            "TipColumn=100.5\r\nTipAngle=200\r\nBodyDiameter=-1\r\n"
                            "Seed=7 ; comment\r\n"));
    int32_t w = 0, h = 0;
    EXPECT_EQ(g.api.GetImageSize(0, &w, &h), 0) << "known before Init";
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 101);
    Start(g);
    DrillScene scene{};
    g.GetScene(&scene);
    EXPECT_EQ(scene.tipColumn, 100.5);
    EXPECT_EQ(scene.tipAngle, 130.0);
    EXPECT_EQ(scene.bodyDiameter, 1.0);
    EXPECT_EQ(scene.seed, 7);
    DrillTruth truth{};
    EXPECT_EQ(g.GetTruth(&truth), 0) << "an unknown source leaves the scene";
    ExpectFrameRate(g, 25, 20, 5000); // the default rate
}

TEST_F(Grabcard, APictureSizeOutsideTheCamerasGivesTheDefaultCamera) {
    struct Case {
        const char* camera;
        int32_t width, height;
    };
    const Case cases[] = {
        {"Width=4\r\nHeight=2\r\n", 4, 2}, // the smallest
        {"Width=7\r\nHeight=9\r\n", 4, 9},
        {"Width=8192\r\nHeight=2048\r\n", 8192, 2048}, // the most pixels
        {"Width=2048\r\nHeight=8192\r\n", 2048, 8192},
        {"Width=64000\r\nHeight=480\r\n", 640, 480},
        {"Width=8196\r\nHeight=100\r\n", 640, 480},
        {"Width=8192\r\nHeight=2049\r\n", 640, 480}, // one row too many pixels
        {"Width=3\r\nHeight=480\r\n", 640, 480},
        {"Width=-640\r\nHeight=-480\r\n", 640, 480},
        {"Width=800\r\nHeight=0\r\n", 640, 480},
        {"Width=800\r\nHeight=8193\r\n", 640, 480},
        {"Width=2147483647\r\nHeight=2147483647\r\n", 640, 480},
        {"Width=65536\r\nHeight=65536\r\n", 640, 480},     // 2^32 pixels: 0 in 32 bits
        {"Width=99999999999\r\nHeight=400\r\n", 640, 400}, // no number: the default stays
    };
    for (const Case& c : cases) {
        for (const char* colour : {"Colour=0\r\n", "Colour=1\r\n"}) {
            SCOPED_TRACE(std::string(c.camera) + colour);
            dll_.reset();
            auto& g = Load(Settings(std::string(c.camera) + colour));
            int32_t w = 0, h = 0;
            EXPECT_EQ(g.api.GetImageSize(0, &w, &h), 0);
            EXPECT_EQ(w, c.width);
            EXPECT_EQ(h, c.height);
            int32_t isColour = -1;
            uint8_t* image = Start(g, &isColour);
            ASSERT_NE(image, nullptr);
            const std::size_t bytes = static_cast<std::size_t>(w) * h * (isColour ? 3 : 1);
            MEMORY_BASIC_INFORMATION mbi{};
            ASSERT_EQ(VirtualQuery(image, &mbi, sizeof mbi), sizeof mbi);
            EXPECT_GE(mbi.RegionSize, bytes);
            image[bytes - 1] = 1; // the last byte of the picture is writable
            EXPECT_EQ(g.api.Close(), 0);
        }
    }
}

TEST_F(Grabcard, FolderPlaysPicturesInNameOrder) {
    CreateDirectoryA(copy_.Path("play").c_str(), nullptr);
    copy_.WriteFile("play\\b.bmp",
                    Bmp(64, 48, true, [](int, int y) { return y < 24 ? 30u : 130u; }));
    copy_.WriteFile("play\\A.tif", Tiff(64, 48, [](int x, int y) {
                        return static_cast<uint8_t>(x == 5 && y == 3 ? 250 : 60);
                    }));
    copy_.WriteFile("play\\c.bmp", Bmp(64, 48, false, [](int, int) { return 0x1E140Au; }));
    copy_.WriteFile("play\\d.bmp", Bmp(32, 24, true, [](int, int) { return 90u; }));
    copy_.WriteFile("play\\e.bmp", "BM this is no picture");
    copy_.WriteFile("play\\notes.txt", "not a picture");
    auto& g = Load(Settings("Width=64\r\nHeight=48\r\nSource=folder\r\nFolder=play\r\n"));
    uint8_t* image = Start(g);
    ASSERT_NE(image, nullptr);
    auto at = [&](int x, int y) { return static_cast<int>(image[y * 64 + x]); };

    g.api.Grab(0, 0); // A.tif
    EXPECT_EQ(at(0, 0), 60);
    EXPECT_EQ(at(5, 3), 250);
    EXPECT_EQ(at(3, 5), 60);
    g.api.Grab(0, 0); // b.bmp, top row first in the memory
    EXPECT_EQ(at(10, 0), 30);
    EXPECT_EQ(at(10, 23), 30);
    EXPECT_EQ(at(10, 24), 130);
    EXPECT_EQ(at(10, 47), 130);
    g.api.Grab(0, 0); // c.bmp, colour B 10, G 20, R 30 as luminance
    EXPECT_EQ(at(0, 0), (114 * 10 + 587 * 20 + 299 * 30 + 500) / 1000);
    g.api.Grab(0, 0); // d.bmp, smaller: top-left, the rest black
    EXPECT_EQ(at(0, 0), 90);
    EXPECT_EQ(at(31, 23), 90);
    EXPECT_EQ(at(32, 0), 0);
    EXPECT_EQ(at(0, 24), 0);
    g.api.Grab(0, 0); // e.bmp cannot be read: no signal
    EXPECT_EQ(std::memcmp(image, kNoSignalMarker, 8), 0);
    g.api.Grab(0, 0); // round again
    EXPECT_EQ(at(5, 3), 250);
    EXPECT_EQ(gCalls, 6);
    EXPECT_EQ(g.FrameCount(), 6);
    DrillTruth truth{};
    EXPECT_EQ(g.GetTruth(&truth), 2);

    const int before = gCalls;
    EXPECT_TRUE(LiveUntil(g, 8, 3000)); // live playback on the camera's thread
    EXPECT_EQ(g.FrameCount(), gCalls.load()) << gCalls - before << " frames live";
}

TEST_F(Grabcard, ColourFolderPicturesKeepBlueGreenRedOrder) {
    CreateDirectoryA(copy_.Path("play").c_str(), nullptr);
    copy_.WriteFile("play\\one.bmp",
                    Bmp(64, 48, false, [](int x, int) { return x == 0 ? 0x030201u : 0x1E140Au; }));
    auto& g =
        Load(Settings("Colour=1\r\nWidth=64\r\nHeight=48\r\nSource=folder\r\nFolder=play\r\n"));
    uint8_t* image = Start(g);
    ASSERT_NE(image, nullptr);
    g.api.Grab(0, 0);
    EXPECT_EQ(image[0], 1);
    EXPECT_EQ(image[1], 2);
    EXPECT_EQ(image[2], 3);
    EXPECT_EQ(image[3], 10) << "blue";
    EXPECT_EQ(image[4], 20) << "green";
    EXPECT_EQ(image[5], 30) << "red";
    EXPECT_EQ(image[3 * (47 * 64 + 63) + 2], 30);
}

TEST_F(Grabcard, EmptyFolderGivesNoSignal) {
    auto& g = Load(Settings("Source=folder\r\nFolder=Z:\\no\\such\\folder\r\n"));
    uint8_t* image = Start(g);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(g.api.Grab(0, 0), 0);
    EXPECT_EQ(gCalls, 1);
    EXPECT_EQ(std::memcmp(image, kNoSignalMarker, 8), 0);
}

TEST_F(Grabcard, SceneExportsPlaceTheDrill) {
    auto& g = Load();
    DrillScene scene{};
    ASSERT_EQ(g.GetScene(&scene), 0);
    scene.tipColumn = 150.25;
    scene.bodyDiameter = 1.2; // 60 pixels
    scene.blurSigma = 0;
    scene.noiseSigma = 0;
    EXPECT_EQ(g.SetScene(&scene), 0) << "before Init: kept for the session";
    uint8_t* image = Start(g);
    ASSERT_NE(image, nullptr);
    g.api.Grab(0, 0);
    DrillTruth truth{};
    EXPECT_EQ(g.GetTruth(&truth), 0);
    EXPECT_EQ(truth.tipColumn, 150.25);
    EXPECT_NEAR(truth.bodyHeight, 60.0, 1e-9);
    EXPECT_NEAR(truth.topEdgeRow, 210.0, 1e-9);
    auto dark = [&](int x, int y) { return (200.0 - image[y * 640 + x]) / 160.0; };
    double column = 0, row = 0;
    for (int y = 0; y < 480; ++y)
        column += dark(300, y);
    for (int x = 0; x < 640; ++x)
        row += dark(x, 240);
    EXPECT_NEAR(column, truth.bodyHeight, 0.01);
    const double thin = 0.25 / std::tan(65 * 3.14159265358979323846 / 180);
    EXPECT_NEAR(row, 639.5 - 150.25 - thin, 0.01) << "the tip at column 150.25";

    DrillScene bad = scene;
    bad.mmPerPixel = 0;
    EXPECT_EQ(g.SetScene(&bad), 1);
    EXPECT_EQ(g.SetScene(nullptr), 1);
    DrillScene now{};
    g.GetScene(&now);
    EXPECT_EQ(now.mmPerPixel, 0.02) << "a refused scene leaves the scene";
    EXPECT_EQ(now.tipColumn, 150.25);

    scene.tipColumn = 400;
    EXPECT_EQ(g.SetScene(&scene), 0);
    g.api.Grab(0, 0);
    EXPECT_EQ(image[240 * 640 + 300], 200) << "moved: left of the tip now";
    EXPECT_EQ(image[240 * 640 + 450], 40);
}

TEST_F(Grabcard, NoiseDiffersPerFrameAndRepeatsPerSession) {
    auto& g = Load();
    uint8_t* image = Start(g);
    ASSERT_NE(image, nullptr);
    g.api.Grab(0, 0);
    const std::vector<uint8_t> first(image, image + 640 * 480);
    g.api.Grab(0, 0);
    const std::vector<uint8_t> second(image, image + 640 * 480);
    EXPECT_NE(first, second) << "each frame has its own noise";
    g.api.Close();
    image = Start(g);
    g.api.Grab(0, 0);
    EXPECT_EQ(std::vector<uint8_t>(image, image + 640 * 480), first)
        << "the same seed gives the same frames";
}
