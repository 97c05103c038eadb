// The edge gauge against ground truth, on pictures rendered the way a
// station's camera makes them and not the way the gauge models them: the
// exact area that the drill covers of every pixel (the simulator's
// coverage, nothing else of it), then this file's own dust, its own blur
// (a Gaussian integrated over each pixel, not sampled at whole pixels), its
// own back light (a gradient across the picture, vignetting towards the
// corners), its own sensor noise and the station's white cut.
//
// Each condition is a group of seeded scenes, each scene with its own
// diameter (0.1 ... 3.175 mm at 0.01 mm per pixel), sub-pixel position and
// tip angle; the figures are printed and kept as test properties.  A gross
// error is an answer off by more than 0.5 pixel in height or 1 pixel at the
// tip; at most 1 % of the scenes may be refused.
//
// Scenes per condition: 400 in an optimised build, 100 under the
// sanitizers; GAUGE_SCENES overrides both.
#include "libs/edge_gauge/silhouette.h"
#include "libs/grabcard/drill_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kDefaultScenes = 100;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kDefaultScenes = 100;
#else
constexpr int kDefaultScenes = 400;
#endif
#else
constexpr int kDefaultScenes = 400;
#endif

int ScenesPerCondition() {
    if (const char* v = std::getenv("GAUGE_SCENES"))
        if (const int n = std::atoi(v); n > 0)
            return n;
    return kDefaultScenes;
}

constexpr int kWidth = 640, kHeight = 480;
constexpr double kGrossHeight = 0.5, kGrossTip = 1.0; // pixels
constexpr double kMostRefused = 0.01;

// What a camera adds to the drill's coverage.
struct Camera {
    double left = 200, right = 200; // back light at the left and the right border
    double vignetting = 0;          // part of the back light lost at the corners
    double silhouette = 40;
    double blur = 1.0;  // sigma, pixels
    double noise = 2.0; // sigma, grey levels
    int specks = 0;     // dark dust specks, 2 ... 4 pixels across, off the drill
};

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

// Dust: round specks, their coverage found on an 8 x 8 grid in each pixel,
// placed where the drill leaves three pixels free around them.
void AddDust(std::vector<float>& cover, int count, Draws& draw) {
    constexpr int kGrid = 8;
    for (int n = 0, tries = 0; n < count && tries < 100 * count; ++tries) {
        const double d = draw.Uniform(2.0, 4.0), cx = draw.Uniform(4, kWidth - 5),
                     cy = draw.Uniform(4, kHeight - 5);
        const int reach = static_cast<int>(std::ceil(d / 2 + 3));
        const int x0 = static_cast<int>(cx) - reach, y0 = static_cast<int>(cy) - reach;
        bool free = true;
        for (int y = y0; free && y <= y0 + 2 * reach + 1; ++y)
            for (int x = x0; free && x <= x0 + 2 * reach + 1; ++x)
                free = x < 0 || y < 0 || x >= kWidth || y >= kHeight ||
                       cover[static_cast<std::size_t>(y) * kWidth + x] == 0.0f;
        if (!free)
            continue;
        ++n;
        for (int y = y0; y <= y0 + 2 * reach + 1; ++y)
            for (int x = x0; x <= x0 + 2 * reach + 1; ++x) {
                if (x < 0 || y < 0 || x >= kWidth || y >= kHeight)
                    continue;
                int inside = 0;
                for (int i = 0; i < kGrid; ++i)
                    for (int j = 0; j < kGrid; ++j) {
                        const double px = x - 0.5 + (i + 0.5) / kGrid - cx;
                        const double py = y - 0.5 + (j + 0.5) / kGrid - cy;
                        inside += px * px + py * py <= d * d / 4;
                    }
                float& v = cover[static_cast<std::size_t>(y) * kWidth + x];
                v = std::min(1.0f, v + static_cast<float>(inside) / (kGrid * kGrid));
            }
    }
}

// Separable blur with the Gaussian integrated over each pixel; the picture
// continues beyond its borders with its border values.
void Blur(std::vector<float>& p, double sigma) {
    const int r = static_cast<int>(std::ceil(4 * sigma));
    std::vector<double> w(2 * r + 1);
    double sum = 0;
    for (int k = -r; k <= r; ++k)
        sum += w[k + r] = std::erf((k + 0.5) / (sigma * std::sqrt(2.0))) -
                          std::erf((k - 0.5) / (sigma * std::sqrt(2.0)));
    for (double& v : w)
        v /= sum;
    std::vector<float> tmp(p.size());
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            double v = 0;
            for (int k = -r; k <= r; ++k)
                v += w[k + r] *
                     p[static_cast<std::size_t>(y) * kWidth + std::clamp(x + k, 0, kWidth - 1)];
            tmp[static_cast<std::size_t>(y) * kWidth + x] = static_cast<float>(v);
        }
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            double v = 0;
            for (int k = -r; k <= r; ++k)
                v += w[k + r] *
                     tmp[static_cast<std::size_t>(std::clamp(y + k, 0, kHeight - 1)) * kWidth + x];
            p[static_cast<std::size_t>(y) * kWidth + x] = static_cast<float>(v);
        }
}

// The picture of a scene through a camera, cut as the station cuts it
// (columns c - 1 and c white; no cut when c < 0).
std::vector<uint8_t> Picture(const drill_scene::Scene& s, const Camera& cam, int cut,
                             uint64_t seed) {
    std::vector<float> cover = drill_scene::Coverage(s, kWidth, kHeight);
    Draws draw(seed ^ 0xD057ull);
    AddDust(cover, cam.specks, draw);
    Blur(cover, cam.blur);
    std::mt19937_64 random(seed);
    std::normal_distribution<double> noise(0.0, cam.noise);
    const double cx = 0.5 * (kWidth - 1), cy = 0.5 * (kHeight - 1);
    std::vector<uint8_t> image(cover.size());
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const double r2 = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (cx * cx + cy * cy);
            const double light = (cam.left + (cam.right - cam.left) * x / (kWidth - 1.0)) *
                                 (1 - cam.vignetting * r2);
            const std::size_t i = static_cast<std::size_t>(y) * kWidth + x;
            const double v = light - (light - cam.silhouette) * cover[i] + noise(random);
            image[i] = static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
        }
    for (int y = 0; cut >= 0 && y < kHeight; ++y)
        for (int x = std::max(cut - 1, 0); x <= std::min(cut, kWidth - 2); ++x)
            image[static_cast<std::size_t>(y) * kWidth + x] = 255;
    return image;
}

struct Errors {
    int n = 0;
    double sum = 0, squares = 0;
    void Add(double e) {
        ++n;
        sum += e;
        squares += e * e;
    }
    double Mean() const { return n ? sum / n : 0; }
    double Sd() const {
        if (n < 2)
            return 0;
        const double m = Mean();
        return std::sqrt(std::max(0.0, (squares - n * m * m) / (n - 1)));
    }
};

struct Figures {
    int scenes = 0, refused = 0, gross = 0;
    Errors height, tip;
};

// The figures of two groups of scenes taken as one.
Figures Joined(const Figures& a, const Figures& b) {
    Figures f;
    f.scenes = a.scenes + b.scenes;
    f.refused = a.refused + b.refused;
    f.gross = a.gross + b.gross;
    for (auto [to, x, y] : {std::tuple{&f.height, &a.height, &b.height},
                            std::tuple{&f.tip, &a.tip, &b.tip}}) {
        to->n = x->n + y->n;
        to->sum = x->sum + y->sum;
        to->squares = x->squares + y->squares;
    }
    return f;
}

void Report(const char* name, const Figures& f) {
    std::printf("  %-26s scenes %4d  refused %2d  gross %2d  height %+.4f / %.4f px  "
                "tip %+.4f / %.4f px (mean / sd)\n",
                name, f.scenes, f.refused, f.gross, f.height.Mean(), f.height.Sd(), f.tip.Mean(),
                f.tip.Sd());
    const std::string key(name);
    ::testing::Test::RecordProperty(key + " height mean", std::to_string(f.height.Mean()));
    ::testing::Test::RecordProperty(key + " height sd", std::to_string(f.height.Sd()));
    ::testing::Test::RecordProperty(key + " tip mean", std::to_string(f.tip.Mean()));
    ::testing::Test::RecordProperty(key + " tip sd", std::to_string(f.tip.Sd()));
}

// A drill of the inspection's range: 0.01 mm per pixel, 0.1 ... 3.175 mm.
drill_scene::Scene DrillScene(Draws& draw) {
    drill_scene::Scene s;
    s.mmPerPixel = 0.01;
    s.bodyDiameter = draw.Uniform(0.1, 3.175);
    s.shankDiameter = 3.175;
    s.tipColumn = draw.Uniform(40.0, 120.0);
    s.axisRow = draw.Uniform(220.0, 260.0);
    s.tipAngle = draw.Uniform(118.0, 140.0);
    s.ringWidth = 0;
    return s;
}

// The widest column of the span: the largest covered length of a whole
// column from the tip to the column before the cut, as the optics blur it
// (beside a cut in the cone, the blur mixes the hidden part into the last
// columns).
double LargestColumnExtent(const drill_scene::Scene& s, int lastColumn, double blur) {
    std::vector<float> cover = drill_scene::Coverage(s, kWidth, kHeight);
    Blur(cover, blur);
    double largest = 0;
    for (int x = 0; x <= lastColumn; ++x) {
        double sum = 0;
        for (int y = 0; y < kHeight; ++y)
            sum += cover[static_cast<std::size_t>(y) * kWidth + x];
        largest = std::max(largest, sum);
    }
    return largest;
}

// One scene's answer scored into f: refused, a gross error (reported), or
// its height and tip errors.  heightOf gives the true height, asked for
// only when the gauge answers.  True when the errors were added.
template <typename HeightOf>
bool Score(Figures& f, const std::vector<uint8_t>& image, HeightOf heightOf, double tipColumn,
           const std::string& scene, edge_gauge::EdgePoints& p) {
    ++f.scenes;
    if (edge_gauge::FindEdges(image.data(), kWidth, kHeight, p) != edge_gauge::Finding::Found) {
        ++f.refused;
        return false;
    }
    const double eh = (p.y2 - p.y1) - heightOf(), et = p.x1 - tipColumn;
    if (std::fabs(eh) > kGrossHeight || std::fabs(et) > kGrossTip) {
        ++f.gross;
        ADD_FAILURE() << scene << ": height off by " << eh << ", tip by " << et;
        return false;
    }
    f.height.Add(eh);
    f.tip.Add(et);
    return true;
}

// The diameter measurement with the cut on the body, in one camera.
Figures BodyScenes(const Camera& cam, uint64_t seed) {
    const int n = ScenesPerCondition();
    Draws draw(seed);
    Figures f;
    for (int i = 0; i < n; ++i) {
        const drill_scene::Scene s = DrillScene(draw);
        const auto truth = drill_scene::TruthOf(s);
        const int cut = static_cast<int>(truth.bodyEndColumn - draw.Uniform(10.0, 120.0));
        const std::vector<uint8_t> image = Picture(s, cam, cut, seed * 7919 + i);
        edge_gauge::EdgePoints p;
        Score(f, image, [&] { return truth.bodyHeight; }, truth.tipColumn,
              "scene " + std::to_string(i), p);
    }
    return f;
}

struct Limits {
    double heightMean, heightSd, tipMean, tipSd;
};
constexpr Limits kClean{0.005, 0.01, 0.01, 0.02};

void Expect(const Figures& f, const Limits& l) {
    EXPECT_EQ(f.gross, 0);
    EXPECT_LE(f.refused, kMostRefused * f.scenes);
    EXPECT_LE(std::fabs(f.height.Mean()), l.heightMean);
    EXPECT_LE(f.height.Sd(), l.heightSd);
    EXPECT_LE(std::fabs(f.tip.Mean()), l.tipMean);
    EXPECT_LE(f.tip.Sd(), l.tipSd);
}

} // namespace

TEST(GaugeAccuracy, CleanPictures) {
    const Figures f = BodyScenes(Camera{}, 20240611);
    std::printf("Clean pictures (blur 1 px, noise 2), cut on the body:\n");
    Report("clean", f);
    Expect(f, kClean);
}

TEST(GaugeAccuracy, HeavyNoise) {
    Camera cam;
    cam.noise = 6;
    const Figures f = BodyScenes(cam, 31337);
    std::printf("Noise sd 6 grey levels:\n");
    Report("noise 6", f);
    Expect(f, {0.01, 0.035, 0.02, 0.05});
}

TEST(GaugeAccuracy, LowContrast) {
    Camera cam;
    cam.left = cam.right = 170;
    cam.silhouette = 110;
    const Figures f = BodyScenes(cam, 4242);
    std::printf("Low contrast, silhouette 110 on 170:\n");
    Report("low contrast", f);
    Expect(f, {0.01, 0.03, 0.02, 0.05});
}

TEST(GaugeAccuracy, UnevenBackLight) {
    Camera gradient;
    gradient.left = 160;
    gradient.right = 230;
    const Figures across = BodyScenes(gradient, 5150);
    Camera corners = gradient;
    corners.left = 230;
    corners.right = 160;
    corners.vignetting = 0.25;
    const Figures falling = BodyScenes(corners, 6160);
    std::printf("Back light varying across the picture:\n");
    Report("160 ... 230 across", across);
    Report("230 ... 160, 25 % corners", falling);
    Expect(across, {0.01, 0.03, 0.01, 0.05});
    Expect(falling, {0.01, 0.03, 0.01, 0.05});
}

TEST(GaugeAccuracy, DustSpecks) {
    Camera cam;
    cam.specks = 12;
    const Figures f = BodyScenes(cam, 777);
    std::printf("Twelve dust specks, 2 ... 4 px, off the drill:\n");
    Report("dust", f);
    Expect(f, kClean);
}

// The cut on any column from ten pixels right of the tip to the right
// border: over all of them, the figures of a clean picture.  Where the span
// holds 40 columns of the body or more, so are they alone; where it ends in
// the cone, soon after it or in the neck, the widest column is the last one
// before the cut (as the optics blur it) and fewer columns average the
// noise, on both sides of the cut; the tip of a span that ends in the cone
// is extrapolated from the cone's edges.
TEST(GaugeAccuracy, CutOnAnyColumn) {
    constexpr double kBodyColumns = 40;
    const int n = ScenesPerCondition();
    Draws draw(8086);
    Figures body, elsewhere;
    for (int i = 0; i < n; ++i) {
        const drill_scene::Scene s = DrillScene(draw);
        const auto truth = drill_scene::TruthOf(s);
        const int first = static_cast<int>(std::ceil(truth.tipColumn + 10));
        const int cut = first + static_cast<int>((i + draw.Uniform(0, 1)) / n * (kWidth - first));
        const int lastVisible = std::min(cut - 2, kWidth - 1);
        const bool onBody = lastVisible > truth.pointEndColumn + kBodyColumns &&
                            lastVisible < truth.bodyEndColumn - 1;
        const std::vector<uint8_t> image = Picture(s, Camera{}, cut, 99991 + i);
        edge_gauge::EdgePoints p;
        Score(
            onBody ? body : elsewhere, image,
            [&] {
                return onBody ? truth.bodyHeight
                              : LargestColumnExtent(s, lastVisible, Camera{}.blur);
            },
            truth.tipColumn, "scene " + std::to_string(i) + ", cut " + std::to_string(cut), p);
    }
    const Figures all = Joined(body, elsewhere);
    std::printf("The cut on any column from the tip + 10 px to the right border:\n");
    Report("cut on any column", all);
    Report("cut, 40+ body columns", body);
    Report("cut, cone/short body/neck", elsewhere);
    Expect(all, kClean);
    Expect(body, kClean);
    // The tip of a span that ends in the cone or a few columns past it is
    // extrapolated from the cone's own columns only: near the clean figures.
    // The widest column of a span that ends while the extent still grows is
    // the last one, its edges from a line through the straight piece of the
    // outline across the cut, or from two lines meeting at a corner next to
    // it: fewer columns than a body's stretch, and none beyond a corner.
    // Even a gauge told where the corners lie would reach about 0.01 pixel
    // here from the columns that the lines take.
    Expect(elsewhere, {0.01, 0.018, 0.01, 0.03});
    EXPECT_GE(body.scenes, n / 2);
    EXPECT_GE(elsewhere.scenes, n / 10);
}

// The cut within a few columns of a corner of the outline: where the cone
// meets the body, the body the neck and the neck the shank.  The blur
// rounds each corner over a couple of columns; the widest column, the last
// one before the cut, carries that rounding, which neither side's edges
// show alone.
TEST(GaugeAccuracy, CutNextToACorner) {
    const int n = ScenesPerCondition() / 2;
    Draws draw(60601);
    Figures f;
    for (int i = 0; i < n; ++i) {
        const drill_scene::Scene s = DrillScene(draw);
        const auto truth = drill_scene::TruthOf(s);
        const double corners[] = {truth.pointEndColumn, truth.bodyEndColumn,
                                  truth.shankStartColumn};
        const double corner = corners[i % 3];
        const int lastVisible = static_cast<int>(std::lround(corner + draw.Uniform(-2.5, 2.5)));
        const int cut = lastVisible + 2;
        if (lastVisible < truth.tipColumn + 10 || cut > kWidth - 1)
            continue;
        const std::vector<uint8_t> image = Picture(s, Camera{}, cut, 313 + i);
        edge_gauge::EdgePoints p;
        Score(f, image, [&] { return LargestColumnExtent(s, lastVisible, Camera{}.blur); },
              truth.tipColumn, "scene " + std::to_string(i) + ", cut " + std::to_string(cut), p);
    }
    std::printf("The cut within 2.5 columns of a corner of the outline:\n");
    Report("cut next to a corner", f);
    // Lines through either side's columns miss the rounding by up to a
    // few tenths of a pixel; two lines meeting at a rounded corner do not.
    Expect(f, {0.01, 0.03, 0.01, 0.03});
    EXPECT_GE(f.scenes, n / 2);
}

// The cut near the right border: the span runs over the neck, the shank and
// the ring, whose outer diameter is the largest extent.  The camera's own
// scale, 0.02 mm per pixel.
TEST(GaugeAccuracy, RingHeightWithTheCutNearTheBorder) {
    const int n = ScenesPerCondition() / 2;
    Draws draw(77001);
    Figures f;
    for (int i = 0; i < n; ++i) {
        drill_scene::Scene s; // 0.02 mm per pixel
        s.bodyDiameter = draw.Uniform(0.2, 3.175);
        s.tipColumn = draw.Uniform(40.0, 100.0);
        s.axisRow = draw.Uniform(225.0, 255.0);
        s.tipAngle = draw.Uniform(118.0, 140.0);
        s.ringOuterDiameter = draw.Uniform(3.6, 5.0);
        s.ringPlace = draw.Uniform(7.5, 8.5);
        const auto truth = drill_scene::TruthOf(s);
        ASSERT_LT(truth.ringRightColumn, kWidth - 20.0);
        const std::vector<uint8_t> image = Picture(s, Camera{}, kWidth - 5, 5000 + i);
        edge_gauge::EdgePoints p;
        if (!Score(f, image, [&] { return truth.ringHeight; }, truth.tipColumn,
                   "scene " + std::to_string(i), p))
            continue;
        EXPECT_GT(p.x2, truth.ringLeftColumn) << "scene " << i << ": the second point on the ring";
        EXPECT_LT(p.x2, truth.ringRightColumn) << "scene " << i;
    }
    std::printf("Ring height, cut near the right border (0.02 mm/pixel):\n");
    Report("ring", f);
    Expect(f, {0.01, 0.02, 0.01, 0.03});
}
