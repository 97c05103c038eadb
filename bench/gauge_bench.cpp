// The edge gauge's search time on the simulated camera's pictures, cut as
// the station cuts them: near the right border (the span runs over body,
// neck, shank and ring), on the body (the diameter measurement) and in the
// tip's cone (lines through the last edges, across the cut); and a dusty,
// unevenly lit picture with heavy noise.
#include "libs/edge_gauge/silhouette.h"
#include "libs/grabcard/drill_scene.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// The camera's scene at its scale for the picture size: 0.02 mm per pixel
// for 640 x 480, 0.01 mm per pixel for 1280 x 1024 (the ring then lies
// beyond the right border).
drill_scene::Scene SceneFor(int width, int height) {
    drill_scene::Scene s;
    s.mmPerPixel = width >= 1280 ? 0.01 : 0.02;
    s.tipColumn = 80.37;
    s.axisRow = height / 2 + 0.21;
    return s;
}

// A dozen dust specks, the back light from 160 to 230 and a fifth darker
// in the corners, noise sd 6.
drill_scene::Scene Dusty(drill_scene::Scene s) {
    s.background = 160;
    s.backgroundRight = 230;
    s.vignetting = 0.2;
    s.dustSpecks = 12;
    s.noiseSigma = 6;
    return s;
}

std::vector<uint8_t> Picture(int width, int height, int cut, bool dusty = false) {
    const drill_scene::Scene s = SceneFor(width, height);
    std::vector<uint8_t> image = drill_scene::RenderFrame(dusty ? Dusty(s) : s, width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = std::max(cut - 1, 0); x <= std::min(cut, width - 2); ++x)
            image[static_cast<std::size_t>(y) * width + x] = 255;
    return image;
}

void Search(benchmark::State& state, int width, int height, int cut, bool dusty = false) {
    const std::vector<uint8_t> image = Picture(width, height, cut, dusty);
    edge_gauge::EdgePoints p;
    if (edge_gauge::FindEdges(image.data(), width, height, p) != edge_gauge::Finding::Found) {
        state.SkipWithError("no silhouette found");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(edge_gauge::FindEdges(image.data(), width, height, p));
        benchmark::DoNotOptimize(p);
    }
    state.counters["height_px"] = p.y2 - p.y1;
    state.counters["tip_px"] = p.x1;
}

void CutNearBorder640x480(benchmark::State& state) {
    Search(state, 640, 480, 640 - 5);
}
void CutOnBody640x480(benchmark::State& state) {
    Search(state, 640, 480, 300);
}
void CutNearBorder1280x1024(benchmark::State& state) {
    Search(state, 1280, 1024, 1280 - 5);
}
void CutOnBody1280x1024(benchmark::State& state) {
    Search(state, 1280, 1024, 550);
}
// The cone ends about 12 columns right of the tip at 0.02 mm per pixel,
// about 23 at 0.01 mm per pixel.
void CutInCone640x480(benchmark::State& state) {
    Search(state, 640, 480, 90);
}
void CutInCone1280x1024(benchmark::State& state) {
    Search(state, 1280, 1024, 98);
}

void DustyCutOnBody640x480(benchmark::State& state) {
    Search(state, 640, 480, 300, true);
}
void DustyCutOnBody1280x1024(benchmark::State& state) {
    Search(state, 1280, 1024, 550, true);
}

} // namespace

BENCHMARK(CutNearBorder640x480)->Unit(benchmark::kMicrosecond)->Repetitions(9);
BENCHMARK(CutOnBody640x480)->Unit(benchmark::kMicrosecond)->Repetitions(9);
BENCHMARK(CutNearBorder1280x1024)->Unit(benchmark::kMicrosecond)->Repetitions(9);
BENCHMARK(CutOnBody1280x1024)->Unit(benchmark::kMicrosecond)->Repetitions(9);
BENCHMARK(CutInCone640x480)->Unit(benchmark::kMicrosecond)->Repetitions(9);
BENCHMARK(CutInCone1280x1024)->Unit(benchmark::kMicrosecond)->Repetitions(9);
BENCHMARK(DustyCutOnBody640x480)->Unit(benchmark::kMicrosecond)->Repetitions(9);
BENCHMARK(DustyCutOnBody1280x1024)->Unit(benchmark::kMicrosecond)->Repetitions(9);

BENCHMARK_MAIN();
