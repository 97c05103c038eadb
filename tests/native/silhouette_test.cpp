// The edge gauge's silhouette search: what it answers for the station's
// pictures (the cut, the ring, the white bands of the second pass), when it
// refuses, and that no picture makes it read outside the image.
#include "libs/edge_gauge/silhouette.h"
#include "libs/grabcard/drill_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using drill_scene::Scene;
using edge_gauge::EdgePoints;
using edge_gauge::Finding;
using edge_gauge::Findings;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

struct Image {
    int width = kWidth, height = kHeight;
    std::vector<uint8_t> pixels; // exactly width x height: reading beyond trips the sanitizer

    static Image Of(const Scene& s, int w = kWidth, int h = kHeight) {
        return {w, h, drill_scene::RenderFrame(s, w, h)};
    }
    static Image Flat(int w, int h, uint8_t value) {
        return {w, h, std::vector<uint8_t>(static_cast<std::size_t>(w) * h, value)};
    }
    uint8_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    // The station's cut: columns c - 1 and c white on every row (within 0 ... W - 2).
    Image& Cut(int c) {
        for (int y = 0; y < height; ++y)
            for (int x = std::max(c - 1, 0); x <= std::min(c, width - 2); ++x)
                At(x, y) = 255;
        return *this;
    }
    // The second pass's band: rows trunc(row - 10) ... while k < row + 10, columns from ... to.
    Image& Band(int from, int to, double row) {
        for (int k = std::max(0, static_cast<int>(std::trunc(row - 10)));
             k < height && k < row + 10; ++k)
            for (int x = from; x <= to; ++x)
                At(x, k) = 255;
        return *this;
    }
    Finding Find(EdgePoints& p, Findings* f = nullptr) const {
        return edge_gauge::FindEdges(pixels.data(), width, height, p, f);
    }
};

// The camera's default scene: 0.02 mm per pixel, tip at column 80, a 1 mm
// body, a 3.175 mm shank and a 5 mm ring from column 530 to 610.
Scene Default() {
    return Scene{};
}

Scene Quiet(Scene s) {
    s.noiseSigma = 0;
    return s;
}

// The gauge's answer on an odd picture: one of its findings and, when it
// found a drill, finite points, the top edge above the bottom one and both
// strictly inside the picture's rows.
void ExpectSaneAnswer(Finding r, const EdgePoints& p, int height) {
    ASSERT_GE(static_cast<int>(r), 0);
    ASSERT_LE(static_cast<int>(r), 4);
    if (r != Finding::Found)
        return;
    EXPECT_TRUE(std::isfinite(p.x1) && std::isfinite(p.y1) && std::isfinite(p.x2) &&
                std::isfinite(p.y2));
    EXPECT_GT(p.y1, 0);
    EXPECT_LT(p.y1, p.y2);
    EXPECT_LT(p.y2, height - 1);
}

} // namespace

TEST(Silhouette, CutOnTheBodyGivesTheBodyDiameter) {
    Scene s = Default();
    s.tipColumn = 80.37;
    s.axisRow = 241.2;
    const auto t = drill_scene::TruthOf(s);
    Image image = Image::Of(s);
    image.Cut(300);
    EdgePoints p;
    Findings f;
    ASSERT_EQ(image.Find(p, &f), Finding::Found);
    EXPECT_NEAR(p.y2 - p.y1, t.bodyHeight, 0.02);
    EXPECT_NEAR(p.y1, t.topEdgeRow, 0.02);
    EXPECT_NEAR(p.y2, t.bottomEdgeRow, 0.02);
    EXPECT_NEAR(p.x1, t.tipColumn, 0.05);
    EXPECT_GT(p.x2, t.pointEndColumn);
    EXPECT_LT(p.x2, 299);
    EXPECT_EQ(f.firstColumn, 81) << "the leftmost column with a dark pixel";
    EXPECT_EQ(f.lastColumn, 298) << "the span ends before the white cut";
    EXPECT_GT(f.widestFirst, t.pointEndColumn);
    EXPECT_NEAR(f.background, 200, 0.2);
    EXPECT_NEAR(f.silhouette, 40, 0.2);
    EXPECT_NEAR(f.threshold, 120, 0.2);
    EXPECT_NEAR(f.noise, std::sqrt(4 + 1.0 / 12), 0.1) << "with the rounding to whole grey levels";
    EXPECT_NEAR(f.blurSigma, 1.0, 0.05);
    EXPECT_NEAR(f.coneLength, t.pointEndColumn - t.tipColumn, 0.3);
    EXPECT_NEAR(f.bodyBottom - f.bodyTop, t.bodyHeight, 0.02);
}

// A cut inside the cone of a large drill: the widest column is the last
// one before the cut, its extent the covered length of that column (on a
// picture without noise, its darkness summed over the rows; the straight
// lines miss the blur's rounding next to the cone's corner by a hair).  The lines
// through the last edges may go on across the cut, but not onto a collar
// that starts right of it, nor onto the body beyond the cone's corner.
TEST(Silhouette, CutInTheConeMeasuresTheLastColumnNotWhatLiesBeyondTheCut) {
    Scene s = Quiet(Default());
    s.mmPerPixel = 0.01;
    s.ringWidth = 0;
    s.bodyDiameter = 3.0;
    s.tipColumn = 60.4;
    s.axisRow = 239.7;
    const auto t = drill_scene::TruthOf(s);
    const Image plain = Image::Of(s);
    auto darkness = [&](int x) {
        double sum = 0;
        for (int y = 0; y < kHeight; ++y)
            sum += (s.background - plain.pixels[static_cast<std::size_t>(y) * kWidth + x]) /
                   (s.background - s.silhouette);
        return sum;
    };
    const int coneEnd = static_cast<int>(t.pointEndColumn);
    for (const int cut : {static_cast<int>(t.tipColumn) + 30, coneEnd - 3, coneEnd + 1}) {
        SCOPED_TRACE(cut);
        EdgePoints p;
        Image image = plain;
        ASSERT_EQ(image.Cut(cut).Find(p), Finding::Found);
        EXPECT_EQ(p.x2, cut - 2);
        EXPECT_NEAR(p.y2 - p.y1, darkness(cut - 2), 0.03);
        // A collar 20 px higher on both sides from the column after the cut on.
        for (int x = cut + 1; x < cut + 60; ++x)
            for (int y = static_cast<int>(t.topEdgeRow) - 20; y < t.bottomEdgeRow + 20; ++y)
                image.At(x, y) = static_cast<uint8_t>(s.silhouette);
        EdgePoints q;
        ASSERT_EQ(image.Find(q), Finding::Found);
        EXPECT_NEAR(q.y2 - q.y1, darkness(cut - 2), 0.03) << "with a collar beyond the cut";
    }
}

TEST(Silhouette, CutNearTheRightBorderGivesTheRing) {
    const Scene s = Default();
    const auto t = drill_scene::TruthOf(s);
    Image image = Image::Of(s);
    image.Cut(kWidth - 5);
    EdgePoints p;
    Findings f;
    ASSERT_EQ(image.Find(p, &f), Finding::Found);
    EXPECT_NEAR(p.y2 - p.y1, t.ringHeight, 0.02);
    EXPECT_NEAR(p.y1, s.axisRow - t.ringHeight / 2, 0.02);
    EXPECT_NEAR(p.x1, t.tipColumn, 0.05) << "the tip does not depend on the cut";
    EXPECT_GT(p.x2, t.ringLeftColumn);
    EXPECT_LT(p.x2, t.ringRightColumn);
    EXPECT_EQ(f.lastColumn, kWidth - 7);
    EXPECT_GT(f.widestFirst, t.ringLeftColumn);
    EXPECT_LT(f.widestLast, t.ringRightColumn);

    // Without the ring the shank is the widest part; without the cut the
    // span runs to the right border.
    Scene bare = s;
    bare.ringWidth = 0;
    Image plain = Image::Of(bare);
    ASSERT_EQ(plain.Find(p, &f), Finding::Found);
    EXPECT_NEAR(p.y2 - p.y1, t.shankHeight, 0.02);
    EXPECT_GT(p.x2, t.shankStartColumn);
    EXPECT_EQ(f.lastColumn, kWidth - 1);
}

TEST(Silhouette, CutRightOfTheRingStillSeesTheRingAndACutBeforeItDoesNot) {
    const Scene s = Default();
    const auto t = drill_scene::TruthOf(s);
    EdgePoints p;
    Image after = Image::Of(s);
    after.Cut(static_cast<int>(t.ringRightColumn) + 8);
    ASSERT_EQ(after.Find(p), Finding::Found);
    EXPECT_NEAR(p.y2 - p.y1, t.ringHeight, 0.02);
    Image before = Image::Of(s);
    before.Cut(static_cast<int>(t.ringLeftColumn) - 8);
    ASSERT_EQ(before.Find(p), Finding::Found);
    EXPECT_NEAR(p.y2 - p.y1, t.shankHeight, 0.02);
}

// The second pass: white bands over the first search's edge rows, from the
// ring marker to the end of the ring.  A ring that stands out less than the
// bands reach is removed, and the shank beside it is the widest part again.
TEST(Silhouette, WhiteBandsOverTheRingLeaveTheShank) {
    Scene s = Default();
    s.ringOuterDiameter = s.shankDiameter + 0.3; // 7.5 pixels proud of the shank on each side
    const auto t = drill_scene::TruthOf(s);
    Image image = Image::Of(s);
    image.Cut(kWidth - 5);
    EdgePoints first;
    ASSERT_EQ(image.Find(first), Finding::Found);
    EXPECT_NEAR(first.y2 - first.y1, t.ringHeight, 0.02);

    const int marker = static_cast<int>(t.ringLeftColumn) - 3;
    const int rangeEnd = static_cast<int>(t.ringRightColumn) + 3;
    image.Band(marker, rangeEnd, first.y1).Band(marker, rangeEnd, first.y2);
    EdgePoints second;
    Findings f;
    ASSERT_EQ(image.Find(second, &f), Finding::Found);
    EXPECT_NEAR(second.y2 - second.y1, t.shankHeight, 0.02);
    EXPECT_NEAR(second.x1, first.x1, 0.005) << "the bands lie right of the tip";
    EXPECT_TRUE(second.x2 < marker || second.x2 > rangeEnd) << "the shank beside the bands";
}

// Bands that whiten the whole silhouette end the span where they begin.
TEST(Silhouette, BandsAcrossAThinDrillEndTheSpan) {
    Scene s = Default();
    s.bodyDiameter = 0.2; // 10 pixels
    s.shankDiameter = 0.2;
    s.ringWidth = 0;
    const auto t = drill_scene::TruthOf(s);
    Image image = Image::Of(s);
    image.Cut(kWidth - 5);
    EdgePoints p;
    ASSERT_EQ(image.Find(p), Finding::Found);
    image.Band(400, 500, p.y1).Band(400, 500, p.y2);
    Findings f;
    ASSERT_EQ(image.Find(p, &f), Finding::Found);
    EXPECT_EQ(f.lastColumn, 399);
    EXPECT_NEAR(p.y2 - p.y1, t.bodyHeight, 0.02);
}

TEST(Silhouette, AnswersFollowTheDrillByFractionsOfAPixel) {
    Scene s = Quiet(Default());
    s.axisRow = 240.0;
    EdgePoints base;
    ASSERT_EQ(Image::Of(s).Cut(300).Find(base), Finding::Found);
    for (double step : {0.1, 0.25, 0.5, 0.75}) {
        Scene moved = s;
        moved.tipColumn += step;
        moved.axisRow += step;
        EdgePoints p;
        ASSERT_EQ(Image::Of(moved).Cut(300).Find(p), Finding::Found);
        EXPECT_NEAR(p.x1 - base.x1, step, 0.01) << "step " << step;
        EXPECT_NEAR(p.y1 - base.y1, step, 0.005) << "step " << step;
        EXPECT_NEAR(p.y2 - base.y2, step, 0.005) << "step " << step;
    }
    // Without noise the answers are exact to a few thousandths of a pixel.
    const auto t = drill_scene::TruthOf(s);
    EXPECT_NEAR(base.x1, t.tipColumn, 0.005);
    EXPECT_NEAR(base.y1, t.topEdgeRow, 0.002);
    EXPECT_NEAR(base.y2, t.bottomEdgeRow, 0.002);
}

TEST(Silhouette, TipShapesFromFlatToSharp) {
    for (double angle : {180.0, 140.0, 118.0, 90.0, 60.0}) {
        Scene s = Default();
        s.tipAngle = angle;
        s.tipColumn = 101.63;
        const auto t = drill_scene::TruthOf(s);
        EdgePoints p;
        Findings f;
        ASSERT_EQ(Image::Of(s).Cut(340).Find(p, &f), Finding::Found) << angle;
        EXPECT_NEAR(p.x1, t.tipColumn, 0.05) << "tip angle " << angle;
        EXPECT_NEAR(f.coneLength, t.pointEndColumn - t.tipColumn, 0.3) << "tip angle " << angle;
        EXPECT_NEAR(p.y2 - p.y1, t.bodyHeight, 0.02) << "tip angle " << angle;
    }
}

TEST(Silhouette, GreyLevelsAndBlurComeFromThePicture) {
    Scene s = Default();
    s.background = 231;
    s.silhouette = 87;
    s.blurSigma = 1.6;
    s.tipColumn = 90.2;
    const auto t = drill_scene::TruthOf(s);
    EdgePoints p;
    Findings f;
    ASSERT_EQ(Image::Of(s).Cut(300).Find(p, &f), Finding::Found);
    EXPECT_NEAR(f.background, 231, 0.2);
    EXPECT_NEAR(f.silhouette, 87, 0.2);
    EXPECT_NEAR(f.threshold, 159, 0.2);
    EXPECT_NEAR(f.blurSigma, 1.6, 0.05);
    EXPECT_NEAR(p.y2 - p.y1, t.bodyHeight, 0.03);
    EXPECT_NEAR(p.x1, t.tipColumn, 0.08);
}

TEST(Silhouette, ThinDrillsWithoutADarkCore) {
    for (double mm : {0.1, 0.06}) { // 5 and 3 pixels at 0.02 mm per pixel
        Scene s = Default();
        s.bodyDiameter = mm;
        const auto t = drill_scene::TruthOf(s);
        EdgePoints p;
        ASSERT_EQ(Image::Of(s).Cut(300).Find(p), Finding::Found) << mm;
        EXPECT_NEAR(p.y2 - p.y1, t.bodyHeight, 0.03) << mm;
        EXPECT_NEAR(p.x1, t.tipColumn, 0.3) << mm;
    }
}

TEST(Silhouette, EmptyPicturesFindNothing) {
    EdgePoints p;
    EXPECT_EQ(Image::Flat(kWidth, kHeight, 255).Find(p), Finding::NoSilhouette);
    EXPECT_EQ(Image::Flat(kWidth, kHeight, 200).Find(p), Finding::NoSilhouette);
    EXPECT_EQ(Image::Flat(kWidth, kHeight, 0).Find(p), Finding::NoSilhouette);
    EXPECT_EQ(Image::Flat(kWidth, kHeight, 40).Find(p), Finding::NoSilhouette);
    // The back light alone, with noise, with and without the station's cut.
    Scene away = Default();
    away.tipColumn = 5000;
    EXPECT_EQ(Image::Of(away).Find(p), Finding::NoSilhouette);
    EXPECT_NE(Image::Of(away).Cut(kWidth - 5).Find(p), Finding::Found);
    EXPECT_NE(Image::Flat(kWidth, kHeight, 0).Cut(kWidth - 5).Find(p), Finding::Found);
}

TEST(Silhouette, NoiseFindsNothing) {
    uint64_t x = 12345;
    auto next = [&x] {
        x = x * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint8_t>(x >> 56);
    };
    Image noise = Image::Flat(kWidth, kHeight, 0);
    for (uint8_t& v : noise.pixels)
        v = next();
    EdgePoints p;
    EXPECT_EQ(noise.Find(p), Finding::NoSilhouette);
    // Salt and pepper: black and white pixels strewn at random.
    Image pepper = Image::Flat(kWidth, kHeight, 0);
    for (uint8_t& v : pepper.pixels)
        v = next() < 128 ? 0 : 255;
    EXPECT_NE(pepper.Find(p), Finding::Found);
}

TEST(Silhouette, DiagonalDarkStreaksInAFewRowsAreNoDrill) {
    // Found by fuzzing: short dark streaks (0, 1, 38) on a white picture of
    // four rows, shifted by two columns from row to row.  Their sums once put
    // the top edge above the picture.
    const uint8_t pattern[] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                               0xff, 0xff, 0xff, 0xff, 0xff, 0x00, 0x01, 0x26};
    Image image = Image::Flat(94, 4, 0);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = pattern[i % sizeof pattern];
    EdgePoints p;
    EXPECT_NE(image.Find(p), Finding::Found);
}

TEST(Silhouette, FailuresLeaveThePointsAsTheyWere) {
    EdgePoints p{1.5, 2.5, 3.5, 4.5};
    ASSERT_NE(Image::Flat(kWidth, kHeight, 255).Find(p), Finding::Found);
    EXPECT_EQ(p.x1, 1.5);
    EXPECT_EQ(p.y1, 2.5);
    EXPECT_EQ(p.x2, 3.5);
    EXPECT_EQ(p.y2, 4.5);
}

TEST(Silhouette, TouchingTheTopOrTheBottomFails) {
    EdgePoints p;
    Scene high = Default();
    high.axisRow = 20; // the body (50 pixels) runs out of the top border
    EXPECT_EQ(Image::Of(high).Cut(300).Find(p), Finding::TouchesTopOrBottom);
    Scene low = Default();
    low.axisRow = kHeight - 15;
    EXPECT_EQ(Image::Of(low).Cut(300).Find(p), Finding::TouchesTopOrBottom);

    // The ring (250 pixels) touches the top, the body does not: only a span
    // that reaches the ring fails.
    Scene ring = Default();
    ring.axisRow = 120;
    const auto t = drill_scene::TruthOf(ring);
    EXPECT_EQ(Image::Of(ring).Cut(kWidth - 5).Find(p), Finding::TouchesTopOrBottom);
    ASSERT_EQ(Image::Of(ring).Cut(300).Find(p), Finding::Found);
    EXPECT_NEAR(p.y2 - p.y1, t.bodyHeight, 0.02);
    // Three rows of back light above the body are enough.
    Scene close = Default();
    close.bodyDiameter = 0.5;
    close.axisRow = 3.5 + 12.5;
    EXPECT_EQ(Image::Of(close).Cut(300).Find(p), Finding::Found);
}

TEST(Silhouette, TipAtTheLeftBorderFails) {
    EdgePoints p;
    Findings f;
    Scene out = Default();
    out.tipColumn = -20; // the drill was pushed beyond the left border
    EXPECT_EQ(Image::Of(out).Cut(300).Find(p, &f), Finding::TipAtLeftBorder);
    EXPECT_EQ(f.firstColumn, 0);
    Scene edge = Default();
    edge.tipColumn = -0.2;
    EXPECT_EQ(Image::Of(edge).Cut(300).Find(p), Finding::TipAtLeftBorder);
    Scene inside = Default();
    inside.tipColumn = 8.3;
    ASSERT_EQ(Image::Of(inside).Cut(300).Find(p), Finding::Found);
    EXPECT_NEAR(p.x1, 8.3, 0.05);
}

TEST(Silhouette, CutsAtOrLeftOfTheTip) {
    const Scene s = Default();
    const auto t = drill_scene::TruthOf(s);
    EdgePoints p;
    ASSERT_EQ(Image::Of(s).Cut(0).Find(p), Finding::Found); // column 0 only
    EXPECT_NEAR(p.x1, t.tipColumn, 0.05);
    EXPECT_NEAR(p.y2 - p.y1, t.ringHeight, 0.02);
    ASSERT_EQ(Image::Of(s).Cut(40).Find(p), Finding::Found);
    EXPECT_NEAR(p.x1, t.tipColumn, 0.05);
    // A cut through the cone leaves the part of the point left of it.
    Findings f;
    ASSERT_EQ(Image::Of(s).Cut(84).Find(p, &f), Finding::Found);
    EXPECT_EQ(f.lastColumn, 82);
    EXPECT_LT(p.y2 - p.y1, 2 * 3.0 * std::tan(65.0 * 3.14159265358979 / 180));
}

TEST(Silhouette, TinyPicturesAreReadSafely) {
    EdgePoints p;
    for (int w : {1, 2, 3, 5, 9, 17})
        for (int h : {1, 2, 3, 5, 9, 17, 480}) {
            for (uint8_t v : {0, 40, 200, 255})
                EXPECT_NE(Image::Flat(w, h, v).Find(p), Finding::Found) << w << "x" << h;
            // A dark square on a bright ground, wherever it fits.
            Image square = Image::Flat(w, h, 200);
            for (int y = h / 3; y < h - h / 3; ++y)
                for (int x = w / 3; x < w; ++x)
                    square.At(x, y) = 40;
            const Finding r = square.Find(p);
            EXPECT_GE(static_cast<int>(r), 0);
            EXPECT_LE(static_cast<int>(r), 4);
            // Alternate black and white pixels.
            Image checks = Image::Flat(w, h, 0);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    checks.At(x, y) = (x + y) % 2 ? 255 : 0;
            EXPECT_NE(checks.Find(p), Finding::Found) << w << "x" << h;
        }
    // One row and one column of a drill picture.
    Image wide = Image::Of(Default(), kWidth, 1);
    EXPECT_NE(wide.Find(p), Finding::Found);
    Image tall = Image::Of(Default(), 1, kHeight);
    EXPECT_NE(tall.Find(p), Finding::Found);
}

TEST(Silhouette, ASmallDrillInASmallPicture) {
    Scene s = Default();
    s.tipColumn = 10.4;
    s.axisRow = 20.3;
    s.bodyDiameter = 0.4; // 20 pixels
    s.shankDiameter = 0.5;
    s.ringWidth = 0;
    const auto t = drill_scene::TruthOf(s);
    EdgePoints p;
    ASSERT_EQ(Image::Of(s, 60, 41).Cut(55).Find(p), Finding::Found);
    EXPECT_NEAR(p.x1, t.tipColumn, 0.1);
    EXPECT_NEAR(p.y2 - p.y1, t.bodyHeight, 0.05);
}

TEST(Silhouette, RandomPicturesNeverReadOutsideTheImage) {
    uint64_t x = 99;
    auto next = [&x] {
        x = x * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(x >> 33);
    };
    EdgePoints p;
    for (int i = 0; i < 300; ++i) {
        const int w = 1 + static_cast<int>(next() % 97), h = 1 + static_cast<int>(next() % 89);
        Image image = Image::Flat(w, h, 200);
        // A few dark and white blocks anywhere, dark noise, thin lines.
        const int blocks = static_cast<int>(next() % 6);
        for (int b = 0; b < blocks; ++b) {
            const int x0 = static_cast<int>(next() % w), y0 = static_cast<int>(next() % h);
            const int x1 = std::min(w, x0 + 1 + static_cast<int>(next() % w));
            const int y1 = std::min(h, y0 + 1 + static_cast<int>(next() % h));
            const uint8_t v = next() % 3 == 0 ? 255 : static_cast<uint8_t>(next() % 80);
            for (int y = y0; y < y1; ++y)
                for (int xx = x0; xx < x1; ++xx)
                    image.At(xx, y) = v;
        }
        if (next() % 2)
            for (uint8_t& v : image.pixels)
                v = static_cast<uint8_t>(
                    std::clamp(static_cast<int>(v) + static_cast<int>(next() % 21) - 10, 0, 255));
        ExpectSaneAnswer(image.Find(p), p, h);
    }
}

// A small picture that the fuzzer found: a few scattered bands put a
// back-light plane below the silhouette's level, and the body's edges came
// out as NaN.  The gauge answers within the picture or refuses.
TEST(Silhouette, ScatteredBandsGiveNoBackLightBelowTheSilhouette) {
    static const unsigned char kBytes[] =
        "\x00\x00\x00\x00\x00\x00\x00\x00\xae\xae\xae\xae\xae\xae\xae\xae"
        "\xae\xae\x3c\x3c\x3c\xae\xae\xae\xae\xb5\xae\xae\xae\xae\x48\xae"
        "\xae\xff\xff\x00\x00\x00\x00\x00\x00\x00\x00\x02\x01\x00\x00\x9d"
        "\x9d\x9d\x9d\x9d\x9d\x57\x57\x57\x57\x57\x57\x80\x70\x76\x99\x99"
        "\x99\x00\x90\x61\x00\x00\x57\x57\x57\x57\x57\x57\x57\x57\x57\x57"
        "\x57\x57\x57\x57\x57\x57\x57\x57\x57\xd5\x57\x57\x57\x57\x57\x57"
        "\x57\x57\x57\x57\x00\x9a\xfd\x2a\x00\x90\x61\x00\x00\x00\x00\x00"
        "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x57\x57\x57\x57\x57\x57"
        "\x57\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
        "\x00\x00\x00\x00\x00\x00\x00";
    const std::size_t size = sizeof kBytes - 1;
    Image image = Image::Flat(39, 28, 200);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = kBytes[i % size];
    EdgePoints p;
    ExpectSaneAnswer(image.Find(p), p, 28);
}

TEST(Silhouette, MissingOrOversizedPicturesAreRefused) {
    EdgePoints p;
    EXPECT_EQ(edge_gauge::FindEdges(nullptr, kWidth, kHeight, p), Finding::NoPicture);
    const uint8_t one = 40;
    EXPECT_EQ(edge_gauge::FindEdges(&one, 0, 1, p), Finding::NoPicture);
    EXPECT_EQ(edge_gauge::FindEdges(&one, 1, -1, p), Finding::NoPicture);
    EXPECT_EQ(edge_gauge::FindEdges(&one, edge_gauge::kMaxSide + 1, 1, p), Finding::NoPicture);
}

// The white cut may fall on any column, also one that the gauge samples for
// its grey levels; a thin drill then has few dark pixels beside it.
TEST(Silhouette, TheWhiteCutDoesNotSetTheGreyLevels) {
    Scene s = Default();
    s.bodyDiameter = 0.1; // 5 pixels
    s.shankDiameter = 0.1;
    s.ringWidth = 0;
    const auto t = drill_scene::TruthOf(s);
    for (int c = 290; c <= 310; ++c) {
        Image image = Image::Of(s);
        image.Cut(c);
        for (int x = c + 40; x < kWidth; x += 40)
            image.Cut(x + 1); // more white columns right of the span
        EdgePoints p;
        Findings f;
        ASSERT_EQ(image.Find(p, &f), Finding::Found) << "cut " << c;
        EXPECT_NEAR(f.background, 200, 0.2) << "cut " << c;
        EXPECT_EQ(f.lastColumn, c - 2);
        EXPECT_NEAR(p.y2 - p.y1, t.bodyHeight, 0.03) << "cut " << c;
    }
}

// The drill is what reaches the right border or a cut: a white column
// anywhere, also on one of the columns sampled for the grey levels, changes
// nothing left of it, however close to the tip it lies.
TEST(Silhouette, ACutCloseToTheTipOnASampledColumnKeepsTheTip) {
    Scene s = Default();
    s.mmPerPixel = 0.01;
    s.ringWidth = 0;
    s.bodyDiameter = 1.5;
    const int sampled = (2 * 7 + 1) * kWidth / 32; // column 300, one the gauge samples
    for (double gap : {10.0, 25.0, 39.0}) {
        s.tipColumn = sampled - gap + 0.3;
        const auto t = drill_scene::TruthOf(s);
        EdgePoints p;
        Findings f;
        ASSERT_EQ(Image::Of(s).Cut(sampled).Find(p, &f), Finding::Found) << gap;
        EXPECT_NEAR(p.x1, t.tipColumn, 0.3) << "tip " << gap << " px left of the cut";
        EXPECT_EQ(f.lastColumn, sampled - 2) << gap;
        EXPECT_LT(p.y2 - p.y1, t.bodyHeight) << "the cone left of the cut, not the collar";
    }
}

// (Only the grey levels, from the sampled columns, may move by a hair.)
TEST(Silhouette, WhiteColumnsRightOfTheSpanChangeNothing) {
    Scene s = Default();
    s.tipColumn = 120.6;
    EdgePoints base;
    ASSERT_EQ(Image::Of(s).Cut(300).Find(base), Finding::Found);
    for (int other : {320, 400, 500, 620}) {
        EdgePoints p;
        ASSERT_EQ(Image::Of(s).Cut(300).Cut(other).Find(p), Finding::Found) << other;
        EXPECT_NEAR(p.x1, base.x1, 0.005) << other;
        EXPECT_NEAR(p.y1, base.y1, 0.005) << other;
        EXPECT_NEAR(p.y2, base.y2, 0.005) << other;
    }
}

// Dust specks anywhere off the drill: left of the tip on a sampled column,
// above and below the body, at the right border.
TEST(Silhouette, DustSpecksAreNoDrill) {
    Scene s = Default();
    s.tipColumn = 140.4;
    const auto t = drill_scene::TruthOf(s);
    Image image = Image::Of(s).Cut(300);
    auto speck = [&](int x0, int y0, int side) {
        for (int y = y0; y < y0 + side; ++y)
            for (int x = x0; x < x0 + side; ++x)
                image.At(x, y) = 40;
    };
    speck(98, 238, 3);  // left of the tip, on sampled column 100, in the drill's rows
    speck(20, 100, 4);  // far left
    speck(200, 200, 2); // above the body
    speck(636, 40, 4);  // at the right border, away from the shank
    EdgePoints p;
    Findings f;
    ASSERT_EQ(image.Find(p, &f), Finding::Found);
    EXPECT_EQ(f.firstColumn, 141);
    EXPECT_NEAR(p.x1, t.tipColumn, 0.05);
    EXPECT_NEAR(p.y2 - p.y1, t.bodyHeight, 0.03);
    // A speck alone is no drill.
    Image dust = Image::Flat(kWidth, kHeight, 200);
    for (int y = 200; y < 204; ++y)
        for (int x = 300; x < 304; ++x)
            dust.At(x, y) = 40;
    for (int y = 100; y < 104; ++y)
        for (int x = 636; x < 640; ++x)
            dust.At(x, y) = 40;
    EXPECT_EQ(dust.Find(p), Finding::NoSilhouette);
}

// The back light measured beside each edge: a gradient across the picture
// and a fall-off towards the corners move no edge.
TEST(Silhouette, UnevenBackLightMovesNoEdge) {
    Scene s = Quiet(Default());
    s.tipColumn = 90.3;
    s.axisRow = 235.6;
    s.bodyDiameter = 2.5;
    const auto t = drill_scene::TruthOf(s);
    for (double right : {160.0, 230.0})
        for (double corners : {0.0, 0.25}) {
            Scene lit = s;
            lit.background = 390 - right;
            lit.backgroundRight = right;
            lit.vignetting = corners;
            EdgePoints p;
            ASSERT_EQ(Image::Of(lit).Cut(300).Find(p), Finding::Found);
            EXPECT_NEAR(p.y1, t.topEdgeRow, 0.01) << right << " " << corners;
            EXPECT_NEAR(p.y2, t.bottomEdgeRow, 0.01) << right << " " << corners;
            EXPECT_NEAR(p.x1, t.tipColumn, 0.05) << right << " " << corners;
        }
}
