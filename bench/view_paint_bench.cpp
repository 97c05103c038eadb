// The camera view's paint under Wine: one paint with every overlay against
// a bare SetDIBitsToDevice of the same frame, and live video: frames
// delivered against frames painted, and how fast the window answers while
// the capture thread paints.  Run in a station folder (tools/bench-view);
// prints its figures.
#include "contracts/grabcard_sim.h"
#include "contracts/library_loader.h"
#include "ui/host_link.h"
#include "ui/main_form.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

class NoHost : public station::HostLink {
  public:
    Notify Notification() override { return nullptr; }
    int32_t UnderStationLock(const std::function<int32_t()>& command) override { return command(); }
    std::recursive_mutex& StationLock() override { return lock; }
    std::recursive_mutex lock;
};

double NowMs() {
    static LARGE_INTEGER f = [] {
        LARGE_INTEGER q;
        QueryPerformanceFrequency(&q);
        return q;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

template <class F> double MedianMs(int n, F&& f) {
    std::vector<double> t;
    for (int i = 0; i < n; ++i) {
        const double a = NowMs();
        f();
        t.push_back(NowMs() - a);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    MSG m;
    while (static_cast<int32_t>(end - GetTickCount()) > 0) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
}

} // namespace

int main() {
    char dir[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, dir);
    std::string problem;
    auto libs = LoadOutsideLibraries(dir, &problem);
    if (!libs) {
        std::printf("view bench: %s\n", problem.c_str());
        return 1;
    }
    NoHost host;
    station::TMainForm1 form(*libs, host);
    if (form.StartupSequence(false) != 0) {
        std::printf("view bench: the device did not start\n");
        return 1;
    }
    ShowWindow(form.hwnd(), SW_SHOWMAXIMIZED);
    Pump(300);
    station::Station& st = form.station();
    const int w = st.imageWidth(), h = st.imageHeight();
    const bool colour = st.device().displayObject->mode() != 1;
    form.Dispatch(200);
    Pump(100);
    uint8_t* image = st.device().GetImageAddr(false);
    kit::Canvas* off = form.camera().offscreen();

    const double paint = MedianMs(200, [&] { form.PaintBox2Paint(); });
    station::vCtrlDispImg bare(colour);
    const double copy = MedianMs(200, [&] {
        std::lock_guard<std::mutex> g(off->lock());
        bare.Show(off->dc(), image, w, h);
        GdiFlush();
    });
    std::printf("view paint %dx%d %s: %.3f ms median with every overlay; bare SetDIBitsToDevice "
                "%.3f ms; ratio %.2f\n",
                w, h, colour ? "colour" : "grey", paint, copy, copy > 0 ? paint / copy : 0.0);

    // Live video: every frame painted, the window answering.
    auto frames = reinterpret_cast<GrabcardSimFrameCountFn>(
        reinterpret_cast<void*>(GetProcAddress(libs->grabcardDll.get(), "GrabcardSimFrameCount")));
    const int delivered0 = frames ? frames() : 0;
    const unsigned painted0 = form.framesPainted();
    std::atomic<bool> stop{false};
    std::vector<double> answers;
    std::thread probe([&] {
        while (!stop) {
            const double a = NowMs();
            DWORD_PTR r = 0;
            SendMessageTimeoutA(form.hwnd(), WM_NULL, 0, 0, SMTO_NORMAL, 2000, &r);
            answers.push_back(NowMs() - a);
            Sleep(20);
        }
    });
    form.Dispatch(201);
    Pump(3000);
    form.Dispatch(202);
    Pump(200);
    stop = true;
    probe.join();
    const int delivered = (frames ? frames() : 0) - delivered0;
    const unsigned painted = form.framesPainted() - painted0;
    std::sort(answers.begin(), answers.end());
    std::printf("live %dx%d: %d frames delivered in 3 s, %u painted; window answered %zu probes, "
                "median %.2f ms, slowest %.2f ms\n",
                w, h, delivered, painted, answers.size(),
                answers.empty() ? 0.0 : answers[answers.size() / 2],
                answers.empty() ? 0.0 : answers.back());
    form.ShutdownSequence();
    return 0;
}
