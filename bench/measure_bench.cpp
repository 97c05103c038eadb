// The measurement cycle's own cost per image, beyond the fixed 10 ms wait and
// the camera's grab: the cut, the no-signal test, the edge search and the
// averaging, on rendered drill pictures.
#include "libs/edge_gauge/silhouette.h"
#include "libs/grabcard/drill_scene.h"
#include "station/measurement.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

class PictureView : public station::PictureSource, public station::StationView {
  public:
    explicit PictureView(std::vector<uint8_t> p) : picture(std::move(p)) {}
    std::vector<uint8_t> picture;
    uint8_t* GrabAndGetImage() override { return picture.data(); }
    void DrawMeasuredLine(double, double, double, double) override {}
    void RefreshView() override {}
    void RefreshStatistics() override {}
    void InsertOkRow(const std::vector<std::string>&) override {}
    void InsertNgRow(const std::vector<std::string>&) override {}
};

class Gauge : public station::EdgeGaugePort {
  public:
    Gauge(int w, int h) : w_(w), h_(h) {}
    int32_t DetectHeight(uint8_t* image, double* x1, double* y1, double* x2, double* y2) override {
        edge_gauge::EdgePoints p;
        const auto f = edge_gauge::FindEdges(image, w_, h_, p);
        *x1 = p.x1;
        *y1 = p.y1;
        *x2 = p.x2;
        *y2 = p.y2;
        return static_cast<int32_t>(f);
    }

  private:
    int w_, h_;
};

class NoWait : public station::ClockPort {
  public:
    void WaitMs(int) override {}
    LocalTime Now() override { return {}; }
};

void MeasurePerImage(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    drill_scene::Scene scene;
    scene.mmPerPixel = 0.01;
    scene.tipColumn = w * 0.2;
    scene.axisRow = h * 0.5 + 0.3;
    scene.bodyDiameter = 0.5;
    scene.ringOuterDiameter = 0;
    PictureView view(drill_scene::RenderFrame(scene, w, h));
    Gauge gauge(w, h);
    NoWait clock;
    const station::MeasurementSetup setup{view, view, gauge, clock, w, h, 1, 0};
    for (auto _ : state) {
        const auto m = station::MeasureDrill(setup, 0, w - 5, false);
        benchmark::DoNotOptimize(m);
        if (m.status != 0)
            state.SkipWithError("the picture was not measured");
    }
    state.SetLabel("per image");
}

} // namespace

BENCHMARK(MeasurePerImage)->Args({640, 480})->Args({1280, 1024})->Unit(benchmark::kMillisecond);
