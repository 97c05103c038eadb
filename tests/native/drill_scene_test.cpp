// The drill scene renderer: the silhouette's edges sit where the scene puts
// them, the blur and the noise behave as the camera's would.
#include "libs/grabcard/drill_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using drill_scene::Scene;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr double kPi = 3.14159265358979323846;

// A scene without blur and noise: every pixel shows its covered fraction.
Scene Sharp() {
    Scene s;
    s.blurSigma = 0.0;
    s.noiseSigma = 0.0;
    return s;
}

// How dark a pixel is: 0 background, 1 silhouette.
struct Picture {
    Scene scene;
    int width, height;
    std::vector<double> dark;

    static Picture Of(const Scene& s, const std::vector<uint8_t>& bytes, int w, int h) {
        Picture p{s, w, h, {}};
        for (uint8_t v : bytes)
            p.dark.push_back((s.background - v) / (s.background - s.silhouette));
        return p;
    }
    static Picture Of(const Scene& s, const std::vector<float>& grey, int w, int h) {
        Picture p{s, w, h, {}};
        for (float v : grey)
            p.dark.push_back((s.background - v) / (s.background - s.silhouette));
        return p;
    }
    static Picture Rendered(const Scene& s, int w = kWidth, int h = kHeight) {
        return Of(s, drill_scene::RenderFrame(s, w, h), w, h);
    }

    double At(int x, int y) const { return dark[static_cast<std::size_t>(y) * width + x]; }
    double ColumnSum(int x, int fromRow = 0, int toRow = -1) const {
        if (toRow < 0)
            toRow = height - 1;
        double sum = 0;
        for (int y = fromRow; y <= toRow; ++y)
            sum += At(x, y);
        return sum;
    }
    double RowSum(int y, int fromColumn = 0, int toColumn = -1) const {
        if (toColumn < 0)
            toColumn = width - 1;
        double sum = 0;
        for (int x = fromColumn; x <= toColumn; ++x)
            sum += At(x, y);
        return sum;
    }
    // The upper edge of a column: the covered part above the lower border of row k.
    double TopEdge(int x, int k) const { return k + 0.5 - ColumnSum(x, 0, k); }
    double BottomEdge(int x, int k) const { return k + 0.5 + ColumnSum(x, k + 1); }
};

// The drill's half height in pixels at column x, written out from the
// scene's description on its own.
double HalfHeight(const Scene& s, double x) {
    const double d = (x - s.tipColumn) * s.mmPerPixel; // mm from the tip's point
    const double body = s.bodyDiameter / 2, shank = s.shankDiameter / 2;
    const double cone = s.tipAngle >= 180 ? 0 : body / std::tan(s.tipAngle * kPi / 360);
    const double bodyEnd = std::max(s.bodyLength, cone);
    const double neckEnd = bodyEnd + s.neckLength;
    const double end = std::max(s.totalLength, neckEnd);
    double r = 0;
    if (d < 0 || d >= end)
        r = 0;
    else if (d < cone)
        r = d * std::tan(s.tipAngle * kPi / 360);
    else if (d < bodyEnd)
        r = body;
    else if (d < neckEnd)
        r = body + (shank - body) * (d - bodyEnd) / s.neckLength;
    else
        r = shank;
    if (s.ringWidth > 0 && d >= s.ringPlace && d < s.ringPlace + s.ringWidth)
        r = std::max(r, s.ringOuterDiameter / 2);
    return r / s.mmPerPixel;
}

// A pixel's covered fraction by dense sampling across the column.
double SampledCoverage(const Scene& s, int x, int y) {
    constexpr int kSamples = 4000;
    double sum = 0;
    for (int i = 0; i < kSamples; ++i) {
        const double r = HalfHeight(s, x - 0.5 + (i + 0.5) / kSamples);
        const double top = std::max(y - 0.5, s.axisRow - r);
        const double bottom = std::min(y + 0.5, s.axisRow + r);
        sum += std::max(0.0, bottom - top);
    }
    return sum / kSamples;
}

} // namespace

TEST(DrillScene, TruthFollowsTheScene) {
    const Scene s; // the camera's default scene
    const auto t = drill_scene::TruthOf(s);
    EXPECT_DOUBLE_EQ(t.tipColumn, 80.0);
    EXPECT_NEAR(t.pointEndColumn, 80.0 + 0.5 / std::tan(65 * kPi / 180) / 0.02, 1e-9);
    EXPECT_DOUBLE_EQ(t.topEdgeRow, 215.0);
    EXPECT_DOUBLE_EQ(t.bottomEdgeRow, 265.0);
    EXPECT_DOUBLE_EQ(t.bodyHeight, 50.0);
    EXPECT_DOUBLE_EQ(t.bodyEndColumn, 80.0 + 250.0);
    EXPECT_DOUBLE_EQ(t.shankStartColumn, 80.0 + 300.0);
    EXPECT_DOUBLE_EQ(t.shankHeight, 158.75);
    EXPECT_NEAR(t.drillEndColumn, 80.0 + 1905.0, 1e-9);
    EXPECT_DOUBLE_EQ(t.ringLeftColumn, 80.0 + 450.0);
    EXPECT_DOUBLE_EQ(t.ringRightColumn, 80.0 + 530.0);
    EXPECT_DOUBLE_EQ(t.ringHeight, 250.0);

    Scene noRing = s;
    noRing.ringWidth = 0;
    const auto u = drill_scene::TruthOf(noRing);
    EXPECT_EQ(u.ringHeight, 0.0);
    EXPECT_EQ(u.ringLeftColumn, u.ringRightColumn);
}

TEST(DrillScene, UnusableScenesAreNamed) {
    EXPECT_EQ(drill_scene::SceneProblem(Scene{}), nullptr);
    auto with = [](auto change) {
        Scene s;
        change(s);
        return drill_scene::SceneProblem(s);
    };
    EXPECT_NE(with([](Scene& s) { s.mmPerPixel = 0; }), nullptr);
    EXPECT_NE(with([](Scene& s) { s.bodyDiameter = -1; }), nullptr);
    EXPECT_NE(with([](Scene& s) { s.shankDiameter = 0; }), nullptr);
    EXPECT_NE(with([](Scene& s) { s.tipAngle = 0; }), nullptr);
    EXPECT_NE(with([](Scene& s) { s.tipAngle = 180.5; }), nullptr);
    EXPECT_NE(with([](Scene& s) { s.ringWidth = -0.1; }), nullptr);
    EXPECT_NE(with([](Scene& s) { s.background = 256; }), nullptr);
    EXPECT_NE(with([](Scene& s) { s.blurSigma = -1; }), nullptr);
    EXPECT_NE(with([](Scene& s) { s.noiseSigma = std::nan(""); }), nullptr);
    EXPECT_NE(with([](Scene& s) { s.mmPerPixel = 1e-9; }), nullptr);
    EXPECT_EQ(with([](Scene& s) { s.tipAngle = 180; }), nullptr);
}

TEST(DrillScene, CoverageAgreesWithDenseSampling) {
    Scene s = Sharp();
    s.tipColumn = 100.37;
    s.axisRow = 240.21;
    s.tipAngle = 118;
    s.ringPlace = 8.0123;
    const auto t = drill_scene::TruthOf(s);
    const auto cover = drill_scene::Coverage(s, kWidth, kHeight);
    ASSERT_EQ(cover.size(), static_cast<std::size_t>(kWidth * kHeight));
    // The tip, the neck and the ring's faces: the columns where the edges slope or step.
    std::vector<int> columns;
    for (int x = static_cast<int>(t.tipColumn) - 1; x <= static_cast<int>(t.pointEndColumn) + 1;
         ++x)
        columns.push_back(x);
    for (int x = static_cast<int>(t.bodyEndColumn) - 1;
         x <= static_cast<int>(t.shankStartColumn) + 1; x += 7)
        columns.push_back(x);
    columns.push_back(static_cast<int>(std::round(t.ringLeftColumn)));
    columns.push_back(static_cast<int>(std::round(t.ringRightColumn)));
    int partial = 0;
    for (int x : columns)
        for (int y = 100; y < 380; ++y) {
            const double c = cover[static_cast<std::size_t>(y) * kWidth + x];
            ASSERT_NEAR(c, SampledCoverage(s, x, y), 1e-3) << "pixel " << x << "," << y;
            partial += c > 0.01 && c < 0.99;
        }
    EXPECT_GT(partial, 40); // the comparison did cross edges
}

TEST(DrillScene, BodyColumnsHoldTheBodyHeightAndItsEdges) {
    Scene s = Sharp();
    s.axisRow = 240.3;
    s.bodyDiameter = 1.013; // 50.65 pixels
    const auto t = drill_scene::TruthOf(s);
    const Picture p = Picture::Rendered(s);
    const int k = 240; // the row that holds the axis
    for (int x = static_cast<int>(t.pointEndColumn) + 2; x < t.bodyEndColumn - 2; x += 11) {
        EXPECT_NEAR(p.ColumnSum(x), t.bodyHeight, 0.01) << "column " << x;
        EXPECT_NEAR(p.TopEdge(x, k), t.topEdgeRow, 0.01) << "column " << x;
        EXPECT_NEAR(p.BottomEdge(x, k), t.bottomEdgeRow, 0.01) << "column " << x;
    }
    EXPECT_NEAR(t.topEdgeRow, 240.3 - 25.325, 1e-9);

    const auto cover = drill_scene::Coverage(s, kWidth, kHeight);
    const Picture exact =
        Picture::Of(s, drill_scene::CleanPicture(s, kWidth, kHeight), kWidth, kHeight);
    EXPECT_NEAR(exact.ColumnSum(200), t.bodyHeight, 1e-4);
    EXPECT_NEAR(exact.TopEdge(200, k), t.topEdgeRow, 1e-4);
    // Above and below the drill the picture is pure background, inside pure silhouette.
    EXPECT_EQ(cover[100 * kWidth + 200], 0.0f);
    EXPECT_EQ(cover[240 * kWidth + 200], 1.0f);
    EXPECT_EQ(cover[300 * kWidth + 200], 0.0f);
}

TEST(DrillScene, TipSitsWhereTheSceneSays) {
    for (double tip : {100.0, 100.25, 100.5, 100.77, 311.1}) {
        Scene s = Sharp();
        s.tipColumn = tip;
        s.axisRow = 240.0; // the axis row is a pixel row's centre line
        const Picture p = Picture::Rendered(s);
        // Along the axis row the silhouette runs from the tip to the right
        // border, less the corner of the cone that is thinner than the row.
        const double thin = 0.25 / std::tan(s.tipAngle * kPi / 360);
        EXPECT_NEAR(p.RowSum(240), kWidth - 0.5 - tip - thin, 0.01) << "tip " << tip;
        // The cone's area left of a column border: tan(half angle) x (border - tip)^2.
        const int c = static_cast<int>(tip) + 5;
        double area = 0;
        for (int x = 0; x <= c; ++x)
            area += p.ColumnSum(x);
        EXPECT_NEAR(c + 0.5 - std::sqrt(area / std::tan(s.tipAngle * kPi / 360)), tip, 0.01)
            << "tip " << tip;
        EXPECT_DOUBLE_EQ(drill_scene::TruthOf(s).tipColumn, tip);
    }
    Scene flat = Sharp();
    flat.tipAngle = 180;
    flat.tipColumn = 123.45;
    EXPECT_NEAR(Picture::Rendered(flat).RowSum(240), kWidth - 0.5 - 123.45, 0.01);
    EXPECT_NEAR(Picture::Rendered(flat).ColumnSum(123), 0.05 * 50, 0.01);
}

TEST(DrillScene, BlurKeepsTheIntegralAndTheEdges) {
    Scene s = Sharp();
    s.axisRow = 240.3;
    s.blurSigma = 1.5;
    const auto t = drill_scene::TruthOf(s);
    const Picture clean =
        Picture::Of(s, drill_scene::CleanPicture(s, kWidth, kHeight), kWidth, kHeight);
    const Picture bytes = Picture::Rendered(s);
    const Picture sharp = Picture::Rendered(Sharp());
    auto greyPixels = [](const Picture& p, int x) {
        int n = 0;
        for (int y = 0; y < p.height; ++y)
            n += p.At(x, y) > 0.02 && p.At(x, y) < 0.98;
        return n;
    };
    for (int x = 150; x < 300; x += 30) {
        EXPECT_NEAR(clean.ColumnSum(x), t.bodyHeight, 1e-3);
        EXPECT_NEAR(clean.TopEdge(x, 240), t.topEdgeRow, 1e-3);
        EXPECT_NEAR(clean.BottomEdge(x, 240), t.bottomEdgeRow, 1e-3);
        EXPECT_NEAR(bytes.ColumnSum(x), t.bodyHeight, 0.05);
        EXPECT_GE(greyPixels(bytes, x), 6) << "the blur spreads each edge over several rows";
        EXPECT_LE(greyPixels(sharp, x), 2);
    }
    // Over the whole picture nothing is lost or gained.
    double blurred = 0, covered = 0;
    for (double v : clean.dark)
        blurred += v;
    for (float v : drill_scene::Coverage(s, kWidth, kHeight))
        covered += v;
    EXPECT_NEAR(blurred, covered, 1e-6 * covered);
    // A flat tip's face stays in place: along the axis row the blur only
    // mixes rows that are all covered alike.
    Scene flat = s;
    flat.tipAngle = 180;
    flat.tipColumn = 100.3;
    const Picture face =
        Picture::Of(flat, drill_scene::CleanPicture(flat, kWidth, kHeight), kWidth, kHeight);
    EXPECT_NEAR(face.RowSum(240), kWidth - 0.5 - 100.3, 1e-3);
    EXPECT_GT(face.At(100, 240), 0.1) << "the face is blurred";
    EXPECT_LT(face.At(100, 240), 0.9);
}

TEST(DrillScene, BlurKernelHasTheRequestedSigma) {
    const int w = 61, h = 61;
    std::vector<float> dot(w * h, 0.0f);
    dot[30 * w + 30] = 1.0f;
    drill_scene::Blur(dot, w, h, 2.0);
    double sum = 0, mx = 0, vx = 0, vy = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double v = dot[y * w + x];
            sum += v;
            mx += v * (x - 30);
            vx += v * (x - 30) * (x - 30);
            vy += v * (y - 30) * (y - 30);
        }
    EXPECT_NEAR(sum, 1.0, 1e-5);
    EXPECT_NEAR(mx, 0.0, 1e-6);
    EXPECT_NEAR(std::sqrt(vx), 2.0, 0.01);
    EXPECT_NEAR(std::sqrt(vy), 2.0, 0.01);
    EXPECT_NEAR(dot[30 * w + 32], dot[30 * w + 28], 1e-7);
}

TEST(DrillScene, NoiseRepeatsPerSeedAndHasTheRequestedSigma) {
    Scene s;
    s.tipColumn = 5000; // the drill is out of sight: a flat grey picture
    s.background = 128;
    s.noiseSigma = 5;
    const auto a = drill_scene::RenderFrame(s, kWidth, kHeight, 0);
    EXPECT_EQ(a, drill_scene::RenderFrame(s, kWidth, kHeight, 0));
    EXPECT_NE(a, drill_scene::RenderFrame(s, kWidth, kHeight, 1)) << "each frame has its own noise";
    Scene other = s;
    other.seed = 2;
    EXPECT_NE(a, drill_scene::RenderFrame(other, kWidth, kHeight, 0));

    double n = static_cast<double>(a.size()), mean = 0;
    for (uint8_t v : a)
        mean += v;
    mean /= n;
    double m2 = 0, m4 = 0, neighbours = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double d = a[i] - mean;
        m2 += d * d;
        m4 += d * d * d * d;
        if (i + 1 < a.size())
            neighbours += d * (a[i + 1] - mean);
    }
    m2 /= n;
    m4 /= n;
    EXPECT_NEAR(mean, 128.0, 0.05);
    // Rounding to whole grey levels adds a variance of 1/12.
    EXPECT_NEAR(std::sqrt(m2), std::sqrt(25.0 + 1.0 / 12.0), 0.05);
    EXPECT_NEAR(m4 / (m2 * m2), 3.0, 0.1) << "Gaussian, not uniform";
    EXPECT_NEAR(neighbours / n / m2, 0.0, 0.01) << "pixels are independent";
    // The far tail: beyond 3.5 sigma lie 0.0465 % of a Gaussian's values.
    const auto far =
        std::count_if(a.begin(), a.end(), [](uint8_t v) { return std::abs(v - 128) >= 18; });
    EXPECT_GT(far, 100);
    EXPECT_LT(far, 190);

    Scene quiet = s;
    quiet.noiseSigma = 0;
    const auto q = drill_scene::RenderFrame(quiet, kWidth, kHeight, 7);
    EXPECT_TRUE(std::all_of(q.begin(), q.end(), [](uint8_t v) { return v == 128; }));
}

TEST(DrillScene, GreyLevelsAreClampedToBytes) {
    Scene s;
    s.tipColumn = 5000;
    s.background = 254;
    s.noiseSigma = 30;
    const auto a = drill_scene::RenderFrame(s, 200, 100);
    EXPECT_EQ(*std::max_element(a.begin(), a.end()), 255);
    s.background = 1;
    const auto b = drill_scene::RenderFrame(s, 200, 100);
    EXPECT_EQ(*std::min_element(b.begin(), b.end()), 0);
}

TEST(DrillScene, RingIsAWiderBandAroundTheShank) {
    Scene s = Sharp();
    s.ringPlace = 9.0037;
    const auto t = drill_scene::TruthOf(s);
    const Picture p = Picture::Rendered(s);
    const int middle = static_cast<int>(std::round((t.ringLeftColumn + t.ringRightColumn) / 2));
    EXPECT_NEAR(p.ColumnSum(middle), t.ringHeight, 0.01);
    EXPECT_NEAR(p.ColumnSum(static_cast<int>(t.ringLeftColumn) - 3), t.shankHeight, 0.01);
    EXPECT_NEAR(p.ColumnSum(static_cast<int>(t.ringRightColumn) + 3), t.shankHeight, 0.01);
    EXPECT_GT(t.ringHeight, t.shankHeight + 50);
    // A row that crosses the ring above the shank: the ring's faces.
    const int row = static_cast<int>(s.axisRow - (t.shankHeight + t.ringHeight) / 4);
    EXPECT_NEAR(p.RowSum(row), t.ringRightColumn - t.ringLeftColumn, 0.01);
    EXPECT_NEAR(middle + 0.5 - p.RowSum(row, 0, middle), t.ringLeftColumn, 0.01);
    EXPECT_NEAR(middle + 0.5 + p.RowSum(row, middle + 1), t.ringRightColumn, 0.01);
    EXPECT_NEAR(t.ringLeftColumn, 80 + 9.0037 / 0.02, 1e-9);
}

TEST(DrillScene, ShankRunsOutOfTheRightBorder) {
    Scene s = Sharp();
    const auto t = drill_scene::TruthOf(s);
    EXPECT_GT(t.drillEndColumn, kWidth - 0.5);
    const auto bytes = drill_scene::RenderFrame(s, kWidth, kHeight);
    const Picture p = Picture::Of(s, bytes, kWidth, kHeight);
    EXPECT_NEAR(p.ColumnSum(kWidth - 1), t.shankHeight, 0.01);
    EXPECT_EQ(bytes[240 * kWidth + kWidth - 1], 40);
    EXPECT_EQ(bytes[10 * kWidth + kWidth - 1], 200);
    EXPECT_EQ(bytes[240 * kWidth + 10], 200) << "left of the tip";
}

TEST(DrillScene, ShortDrillEndsInsideThePicture) {
    Scene s = Sharp();
    s.totalLength = (600.3 - 80) * 0.02; // end face at column 600.3
    s.ringWidth = 0;
    const auto t = drill_scene::TruthOf(s);
    EXPECT_NEAR(t.drillEndColumn, 600.3, 1e-9);
    const Picture p = Picture::Rendered(s);
    EXPECT_NEAR(p.ColumnSum(599), t.shankHeight, 0.01);
    EXPECT_NEAR(p.ColumnSum(600), 0.8 * t.shankHeight, 0.01);
    EXPECT_NEAR(p.ColumnSum(601), 0.0, 1e-9);
}

TEST(DrillScene, NeckJoinsBodyAndShank) {
    Scene s = Sharp();
    const auto t = drill_scene::TruthOf(s);
    const Picture p = Picture::Rendered(s);
    const int x = static_cast<int>((t.bodyEndColumn + t.shankStartColumn) / 2); // 355
    const double expected = 2 * HalfHeight(s, x); // linear over the pixel: centre value
    EXPECT_NEAR(p.ColumnSum(x), expected, 0.01);
    EXPECT_GT(expected, t.bodyHeight);
    EXPECT_LT(expected, t.shankHeight);
}

TEST(DrillScene, CameraFramesEqualSingleRenders) {
    Scene s;
    drill_scene::SceneCamera camera;
    camera.SetScene(s);
    std::vector<uint8_t> mono(kWidth * kHeight), colour(kWidth * kHeight * 3);
    camera.Frame(kWidth, kHeight, 3, mono.data(), 1);
    EXPECT_EQ(mono, drill_scene::RenderFrame(s, kWidth, kHeight, 3));
    camera.Frame(kWidth, kHeight, 3, colour.data(), 3);
    for (std::size_t i = 0; i < mono.size(); i += 997) {
        EXPECT_EQ(colour[3 * i], mono[i]);
        EXPECT_EQ(colour[3 * i + 1], mono[i]);
        EXPECT_EQ(colour[3 * i + 2], mono[i]);
    }
    s.tipColumn += 30.5;
    camera.SetScene(s);
    camera.Frame(kWidth, kHeight, 4, mono.data(), 1);
    EXPECT_EQ(mono, drill_scene::RenderFrame(s, kWidth, kHeight, 4)) << "a moved drill is redrawn";
    s.seed = 99;
    camera.SetScene(s);
    camera.Frame(kWidth, kHeight, 4, mono.data(), 1);
    EXPECT_EQ(mono, drill_scene::RenderFrame(s, kWidth, kHeight, 4)) << "a new seed takes effect";
    std::vector<uint8_t> small(64 * 48);
    camera.Frame(64, 48, 4, small.data(), 1);
    EXPECT_EQ(small, drill_scene::RenderFrame(s, 64, 48, 4)) << "a new size is redrawn";
}

// The back light, the dust and the cut that the camera can add.
TEST(DrillScene, BackLightRunsAcrossAndFallsOffTowardsTheCorners) {
    drill_scene::Scene s;
    s.tipColumn = 5000; // the back light alone
    s.noiseSigma = 0;
    s.background = 160;
    s.backgroundRight = 230;
    const auto flat = drill_scene::CleanPicture(s, 64, 48);
    EXPECT_NEAR(flat[0], 160, 1e-3);
    EXPECT_NEAR(flat[63], 230, 1e-3);
    EXPECT_NEAR(flat[47 * 64 + 63], 230, 1e-3);
    s.vignetting = 0.2;
    const auto corners = drill_scene::CleanPicture(s, 64, 48);
    EXPECT_NEAR(corners[63], 230 * 0.8, 1e-3) << "a corner loses the vignetting's part";
    EXPECT_NEAR(corners[47 * 64 + 63], 230 * 0.8, 1e-3);
    EXPECT_GT(corners[24 * 64 + 32], 0.99 * drill_scene::BackLightAt(s, 64, 48, 32, 24) - 1e-3);
    EXPECT_NEAR(corners[24 * 64 + 32], drill_scene::BackLightAt(s, 64, 48, 32, 24), 1e-3);
    s.vignetting = 1.5;
    EXPECT_NE(drill_scene::SceneProblem(s), nullptr);
}

TEST(DrillScene, DustSpecksLieOffTheDrillAndAreDark) {
    drill_scene::Scene s;
    s.noiseSigma = 0;
    s.dustSpecks = 30;
    s.dustSeed = 5;
    const auto specks = drill_scene::SpecksOf(s, 640, 480);
    EXPECT_EQ(specks.size(), 30u);
    const auto cover = drill_scene::Coverage(s, 640, 480);
    const auto picture = drill_scene::CleanPicture(s, 640, 480);
    for (const auto& k : specks) {
        EXPECT_GE(k.side, 2.0);
        EXPECT_LE(k.side, 4.0);
        const int x = static_cast<int>(std::lround(k.x)), y = static_cast<int>(std::lround(k.y));
        EXPECT_EQ(cover[static_cast<std::size_t>(y) * 640 + x], 0.0f) << "off the drill";
        EXPECT_LT(picture[static_cast<std::size_t>(y) * 640 + x], 200.0f) << "dark on the glass";
    }
    s.dustSeed = 6;
    const auto other = drill_scene::SpecksOf(s, 640, 480);
    EXPECT_NE(other.front().x, specks.front().x) << "the seed places them";
    s.dustSpecks = 201;
    EXPECT_NE(drill_scene::SceneProblem(s), nullptr);
}

TEST(DrillScene, TheCutIsDrawnAfterTheNoise) {
    drill_scene::Scene s;
    s.cutColumn = 300;
    const auto frame = drill_scene::RenderFrame(s, 640, 480, 3);
    for (int y = 0; y < 480; ++y) {
        EXPECT_EQ(frame[static_cast<std::size_t>(y) * 640 + 299], 255);
        EXPECT_EQ(frame[static_cast<std::size_t>(y) * 640 + 300], 255);
    }
    EXPECT_NE(frame[240 * 640 + 301], 255) << "the drill right of the cut";
    s.cutColumn = 639; // within 0 ... W - 2: column 638 only
    const auto edge = drill_scene::RenderFrame(s, 640, 480, 3);
    EXPECT_EQ(edge[240 * 640 + 638], 255);
    EXPECT_NE(edge[240 * 640 + 639], 255);
}
