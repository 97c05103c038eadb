#include "libs/imaging/resize.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

using imaging::ConstPlane;
using imaging::Extent;
using imaging::Plane;
using imaging::ResizedExtent;
using imaging::ResizePlane;

namespace {

struct Image {
    Image(int32_t w, int32_t h, uint8_t fill = 0)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill) {}
    uint8_t& at(int32_t x, int32_t y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    ConstPlane In() const { return {pixels.data(), width, height}; }
    Plane Out() { return {pixels.data(), width, height}; }
    int32_t width, height;
    std::vector<uint8_t> pixels;
};

Image Random(int32_t w, int32_t h, unsigned seed) {
    Image img(w, h);
    std::mt19937 gen(seed);
    for (auto& p : img.pixels)
        p = static_cast<uint8_t>(gen());
    return img;
}

Extent Resize(const Image& from, Image& to, double fx, double fy) {
    return ResizePlane(from.In(), to.Out(), fx, fy);
}

} // namespace

TEST(Resize, CameraPictureFitsTheDisplayBuffer) {
    // 1280 x 1024 at zoom 0.46875: 600 x 480 of the 640 x 480 display buffer.
    Image camera(1280, 1024, 200);
    Image display(640, 480, 7);
    const Extent e = Resize(camera, display, 0.46875, 0.46875);
    EXPECT_EQ(e.width, 600);
    EXPECT_EQ(e.height, 480);
    for (int32_t y = 0; y < 480; ++y)
        for (int32_t x = 0; x < 640; ++x)
            ASSERT_EQ(display.at(x, y), x < 600 ? 200 : 7) << x << "," << y;
}

TEST(Resize, ConstantPictureStaysConstant) {
    const double factors[][2] = {{0.3, 0.3}, {0.5, 0.7}, {0.46875, 0.46875},
                                 {1.6, 2.5}, {0.4, 3.0}, {1.0 / 3, 1.0 / 7}};
    Image source(97, 61, 173);
    for (const auto& f : factors) {
        Image out(300, 200, 0);
        const Extent e = Resize(source, out, f[0], f[1]);
        ASSERT_GT(e.width, 0);
        ASSERT_GT(e.height, 0);
        for (int32_t y = 0; y < e.height; ++y)
            for (int32_t x = 0; x < e.width; ++x)
                ASSERT_EQ(out.at(x, y), 173) << f[0] << " x " << f[1] << " at " << x << "," << y;
    }
}

TEST(Resize, CheckerboardReducesToFlatGrey) {
    Image board(64, 48);
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 64; ++x)
            board.at(x, y) = (x + y) % 2 ? 255 : 0;
    for (double f : {0.5, 0.25}) {
        Image out(64, 48, 9);
        const Extent e = Resize(board, out, f, f);
        ASSERT_EQ(e.width, static_cast<int32_t>(64 * f));
        ASSERT_EQ(e.height, static_cast<int32_t>(48 * f));
        for (int32_t y = 0; y < e.height; ++y)
            for (int32_t x = 0; x < e.width; ++x)
                ASSERT_EQ(out.at(x, y), 128) << f << " at " << x << "," << y;
    }
}

TEST(Resize, FactorOneCopies) {
    const Image source = Random(123, 77, 1);
    Image out(123, 77, 0);
    const Extent e = Resize(source, out, 1.0, 1.0);
    EXPECT_EQ(e.width, 123);
    EXPECT_EQ(e.height, 77);
    EXPECT_EQ(out.pixels, source.pixels);
}

TEST(Resize, DestinationClipsTheResult) {
    const Image source = Random(50, 40, 2);
    Image small(20, 10, 0);
    const Extent e = Resize(source, small, 1.0, 1.0);
    EXPECT_EQ(e.width, 20);
    EXPECT_EQ(e.height, 10);
    Image copy = source;
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x)
            ASSERT_EQ(small.at(x, y), copy.at(x, y));

    // Enlarged beyond a destination: only what fits is written.
    Image big(64, 64, 0);
    const Extent twice = Resize(source, big, 2.0, 2.0);
    EXPECT_EQ(twice.width, 64);
    EXPECT_EQ(twice.height, 64);
}

TEST(Resize, OutsideTheResultTheDestinationKeepsItsPixels) {
    const Image source = Random(10, 6, 3);
    Image out(40, 30, 33);
    const Extent e = Resize(source, out, 2.0, 3.0);
    EXPECT_EQ(e.width, 20);
    EXPECT_EQ(e.height, 18);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            if (x >= 20 || y >= 18) {
                ASSERT_EQ(out.at(x, y), 33) << x << "," << y;
            }
        }
}

TEST(Resize, ReductionWeighsEachSourcePixelByTheAreaItCovers) {
    Image row(4, 1);
    row.pixels = {0, 100, 200, 40};
    Image half(2, 1, 0);
    EXPECT_EQ(Resize(row, half, 0.5, 1.0).width, 2);
    EXPECT_EQ(half.pixels, (std::vector<uint8_t>{50, 120}));

    // Two thirds: each destination pixel covers one and a half source pixels.
    Image three(3, 1);
    three.pixels = {0, 90, 180};
    Image two(2, 1, 0);
    EXPECT_EQ(Resize(three, two, 2.0 / 3.0, 1.0).width, 2);
    EXPECT_EQ(two.pixels, (std::vector<uint8_t>{30, 150}));

    // Down the columns in the same way.
    Image column(1, 3);
    column.pixels = {0, 90, 180};
    Image shorter(1, 2, 0);
    EXPECT_EQ(Resize(column, shorter, 1.0, 2.0 / 3.0).height, 2);
    EXPECT_EQ(shorter.pixels, (std::vector<uint8_t>{30, 150}));
}

TEST(Resize, LastPartlyCoveredPixelAveragesWhatIsThere) {
    Image row(3, 1);
    row.pixels = {10, 30, 90};
    Image out(4, 1, 5);
    EXPECT_EQ(Resize(row, out, 0.5, 1.0).width, 2);
    EXPECT_EQ(out.pixels, (std::vector<uint8_t>{20, 90, 5, 5}));
}

TEST(Resize, EnlargementInterpolatesBetweenPixelCentres) {
    Image row(2, 1);
    row.pixels = {0, 100};
    Image out(4, 1, 0);
    EXPECT_EQ(Resize(row, out, 2.0, 1.0).width, 4);
    EXPECT_EQ(out.pixels, (std::vector<uint8_t>{0, 25, 75, 100}));

    Image column(1, 2);
    column.pixels = {200, 0};
    Image taller(1, 4, 0);
    EXPECT_EQ(Resize(column, taller, 1.0, 2.0).height, 4);
    EXPECT_EQ(taller.pixels, (std::vector<uint8_t>{200, 150, 50, 0}));
}

TEST(Resize, EachAxisChoosesItsOwnMethod) {
    // Reduced across (pairs averaged), enlarged down (rows interpolated).
    Image source(4, 2);
    source.pixels = {0, 100, 200, 40, 100, 100, 0, 0};
    Image out(2, 4, 0);
    const Extent e = Resize(source, out, 0.5, 2.0);
    EXPECT_EQ(e.width, 2);
    EXPECT_EQ(e.height, 4);
    EXPECT_EQ(out.pixels, (std::vector<uint8_t>{50, 120, 63, 90, 88, 30, 100, 0}));
}

TEST(Resize, ExtentIsTheCeilingOfTheScaledSize) {
    EXPECT_EQ(ResizedExtent(1280, 1024, 640, 480, 0.46875, 0.46875).width, 600);
    EXPECT_EQ(ResizedExtent(640, 480, 320, 240, 0.5, 0.5).height, 240);
    // 300 / 3 is 100 although 300 x (1/3) is a hair below 100 in doubles.
    EXPECT_EQ(ResizedExtent(300, 300, 500, 500, 1.0 / 3, 1.0 / 3).width, 100);
    EXPECT_EQ(ResizedExtent(7, 7, 500, 500, 0.5, 0.5).width, 4);
}

TEST(Resize, UnusableFactorsOrPlanesWriteNothing) {
    const Image source = Random(8, 8, 4);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double f : {0.0, -0.5, nan, inf}) {
        Image out(8, 8, 11);
        EXPECT_EQ(Resize(source, out, f, 1.0).width, 0);
        EXPECT_EQ(Resize(source, out, 1.0, f).height, 0);
        EXPECT_EQ(out.pixels, std::vector<uint8_t>(64, 11));
    }
    Image out(8, 8, 11);
    EXPECT_EQ(ResizePlane({nullptr, 8, 8}, out.Out(), 1.0, 1.0).width, 0);
    EXPECT_EQ(ResizePlane(source.In(), {out.pixels.data(), 0, 8}, 1.0, 1.0).width, 0);
    EXPECT_EQ(ResizePlane({source.pixels.data(), 8, 0}, out.Out(), 1.0, 1.0).width, 0);
    EXPECT_EQ(out.pixels, std::vector<uint8_t>(64, 11));
}
