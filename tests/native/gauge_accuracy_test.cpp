// The edge gauge against the simulated camera's ground truth: hundreds of
// seeded drill scenes, each with its own sub-pixel position, diameter, tip
// angle and sensor noise, measured as the station measures them (a white cut
// two columns wide before the search).  The figures are printed and kept as
// test properties; the limits are the gauge's accuracy targets.
#include "libs/edge_gauge/silhouette.h"
#include "libs/grabcard/drill_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using drill_scene::Scene;

// Deterministic draws (SplitMix64), the same on every machine.
class Draws {
  public:
    explicit Draws(uint64_t seed) : x_(seed) {}
    double Uniform(double lo, double hi) {
        uint64_t z = (x_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return lo + (hi - lo) * static_cast<double>(z >> 11) * (1.0 / 9007199254740992.0);
    }

  private:
    uint64_t x_;
};

struct Errors {
    int n = 0;
    double sum = 0, squares = 0, worst = 0;
    void Add(double e) {
        ++n;
        sum += e;
        squares += e * e;
        worst = std::max(worst, std::fabs(e));
    }
    double Mean() const { return n ? sum / n : 0; }
    double Sd() const {
        if (n < 2)
            return 0;
        const double m = Mean();
        return std::sqrt(std::max(0.0, (squares - n * m * m) / (n - 1)));
    }
};

// The station's cut: columns c - 1 and c white on every row.
void Cut(std::vector<uint8_t>& image, int width, int height, int c) {
    for (int y = 0; y < height; ++y)
        for (int x = std::max(c - 1, 0); x <= std::min(c, width - 2); ++x)
            image[static_cast<std::size_t>(y) * width + x] = 255;
}

void Report(const char* name, const Errors& e) {
    std::printf("  %-34s n=%4d  mean %+.4f px  sd %.4f px  worst %.4f px\n", name, e.n, e.Mean(),
                e.Sd(), e.worst);
    const std::string key(name);
    ::testing::Test::RecordProperty(key + " mean", std::to_string(e.Mean()));
    ::testing::Test::RecordProperty(key + " sd", std::to_string(e.Sd()));
}

constexpr double kHeightLimit = 0.02; // pixels: mean error and standard deviation
constexpr double kTipLimit = 0.05;

} // namespace

// The inspection's diameter measurement: the cut lies on the body, so the
// span holds the tip and the body only.  0.01 mm per pixel, diameters from
// 0.1 mm to 3.175 mm (10 to 317.5 pixels).
TEST(GaugeAccuracy, BodyDiameterAndTipOverSixHundredScenes) {
    constexpr int kScenes = 600, kWidth = 640, kHeight = 480;
    Draws draw(20240611);
    Errors height, tip, top, bottom, thinHeight, thinTip;
    int found = 0;
    for (int i = 0; i < kScenes; ++i) {
        Scene s;
        s.mmPerPixel = 0.01;
        s.bodyDiameter = draw.Uniform(0.1, 3.175);
        s.shankDiameter = 3.175;
        s.tipColumn = draw.Uniform(40.0, 120.0);
        s.axisRow = draw.Uniform(220.0, 260.0);
        s.tipAngle = draw.Uniform(118.0, 140.0);
        s.seed = static_cast<uint32_t>(1000 + i);
        ASSERT_EQ(drill_scene::SceneProblem(s), nullptr);
        const auto truth = drill_scene::TruthOf(s);
        const int cut = static_cast<int>(truth.bodyEndColumn - draw.Uniform(10.0, 120.0));
        std::vector<uint8_t> image = drill_scene::RenderFrame(s, kWidth, kHeight);
        Cut(image, kWidth, kHeight, cut);

        edge_gauge::EdgePoints p;
        const auto result = edge_gauge::FindEdges(image.data(), kWidth, kHeight, p);
        EXPECT_EQ(result, edge_gauge::Finding::Found) << "scene " << i;
        if (result != edge_gauge::Finding::Found)
            continue;
        ++found;
        const double eh = (p.y2 - p.y1) - truth.bodyHeight, et = p.x1 - truth.tipColumn;
        height.Add(eh);
        tip.Add(et);
        top.Add(p.y1 - truth.topEdgeRow);
        bottom.Add(p.y2 - truth.bottomEdgeRow);
        if (s.bodyDiameter < 0.3) {
            thinHeight.Add(eh);
            thinTip.Add(et);
        }
        EXPECT_GT(p.x2, truth.pointEndColumn) << "scene " << i << ": the second point on the body";
        EXPECT_LT(p.x2, cut - 1) << "scene " << i;
    }
    std::printf("Body diameter and tip, %d of %d scenes (640x480, 0.01 mm/pixel):\n", found,
                kScenes);
    Report("height (diameter) error", height);
    Report("tip column error", tip);
    Report("top edge row error", top);
    Report("bottom edge row error", bottom);
    Report("height error, diameter < 0.3 mm", thinHeight);
    Report("tip error, diameter < 0.3 mm", thinTip);
    EXPECT_EQ(found, kScenes);
    EXPECT_GE(thinTip.n, 40) << "the thin drills are represented";
    EXPECT_LE(std::fabs(height.Mean()), kHeightLimit);
    EXPECT_LE(height.Sd(), kHeightLimit);
    EXPECT_LE(std::fabs(tip.Mean()), kTipLimit);
    EXPECT_LE(tip.Sd(), kTipLimit);
    EXPECT_LE(std::fabs(top.Mean()), kHeightLimit);
    EXPECT_LE(std::fabs(bottom.Mean()), kHeightLimit);
}

// The cut near the right border: the span runs over the neck, the shank and
// the ring, whose outer diameter is the largest extent.  The camera's own
// scale, 0.02 mm per pixel.
TEST(GaugeAccuracy, RingHeightAndTipOverTwoHundredScenes) {
    constexpr int kScenes = 200, kWidth = 640, kHeight = 480;
    Draws draw(77001);
    Errors height, tip;
    int found = 0;
    for (int i = 0; i < kScenes; ++i) {
        Scene s; // 0.02 mm per pixel
        s.bodyDiameter = draw.Uniform(0.2, 3.175);
        s.tipColumn = draw.Uniform(40.0, 100.0);
        s.axisRow = draw.Uniform(225.0, 255.0);
        s.tipAngle = draw.Uniform(118.0, 140.0);
        s.ringOuterDiameter = draw.Uniform(3.6, 5.0);
        s.ringPlace = draw.Uniform(7.5, 8.5);
        s.seed = static_cast<uint32_t>(5000 + i);
        ASSERT_EQ(drill_scene::SceneProblem(s), nullptr);
        const auto truth = drill_scene::TruthOf(s);
        ASSERT_LT(truth.ringRightColumn, kWidth - 20.0);
        std::vector<uint8_t> image = drill_scene::RenderFrame(s, kWidth, kHeight);
        Cut(image, kWidth, kHeight, kWidth - 5);

        edge_gauge::EdgePoints p;
        const auto result = edge_gauge::FindEdges(image.data(), kWidth, kHeight, p);
        EXPECT_EQ(result, edge_gauge::Finding::Found) << "scene " << i;
        if (result != edge_gauge::Finding::Found)
            continue;
        ++found;
        height.Add((p.y2 - p.y1) - truth.ringHeight);
        tip.Add(p.x1 - truth.tipColumn);
        EXPECT_GT(p.x2, truth.ringLeftColumn) << "scene " << i << ": the second point on the ring";
        EXPECT_LT(p.x2, truth.ringRightColumn) << "scene " << i;
    }
    std::printf("Ring height and tip, %d of %d scenes (640x480, 0.02 mm/pixel):\n", found, kScenes);
    Report("ring height error", height);
    Report("tip column error (cut near border)", tip);
    EXPECT_EQ(found, kScenes);
    EXPECT_LE(std::fabs(height.Mean()), kHeightLimit);
    EXPECT_LE(height.Sd(), kHeightLimit);
    EXPECT_LE(std::fabs(tip.Mean()), kTipLimit);
    EXPECT_LE(tip.Sd(), kTipLimit);
}
