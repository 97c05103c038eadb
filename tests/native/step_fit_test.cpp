// Sloping edges fitted to the blurred step: on pictures of two straight
// edges blurred by the optics before the pixels take their light, the fit
// moves each sloping edge from where the darkness sum put it onto the
// edge, with less noise than the sum, and leaves flat edges and bent
// columns as the sum put them.
#include "libs/edge_gauge/gauge_parts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

using namespace edge_gauge::parts;

constexpr int kColumns = 100;
constexpr double kLight = 200, kDark = 40, kBlur = 1.0;

// The outline: top edge T0 - kt u, bottom edge B0 + kb u (the silhouette
// widens to the right, like a cone), u the column's middle; `bendAt`: a
// column from whose middle on the top edge rises 1 row per column faster.
struct Outline2 {
    double t0, kt, b0, kb;
    int bendAt = -1;
    double Top(double u) const {
        return t0 - kt * u - (bendAt >= 0 && u > bendAt ? u - bendAt : 0.0);
    }
    double Bottom(double u) const { return b0 + kb * u; }
};

double Phi(double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); }

// The covered part of every pixel: the drill blurred, then averaged over
// the pixel (8 x 8 points), rows 0 ... height - 1.
std::vector<double> Coverage(const Outline2& o, int height) {
    std::vector<double> cover(static_cast<std::size_t>(kColumns) * height, 0.0);
    constexpr int kPoints = 8;
    for (int x = 0; x < kColumns; ++x)
        for (int y = 0; y < height; ++y) {
            // Far from both edges the pixel is all back light or all drill.
            const double margin = 6 * kBlur + 1 + std::max(o.kt, o.kb) + (o.bendAt >= 0);
            if (y < o.Top(x) - margin || y > o.Bottom(x) + margin)
                continue;
            if (y > o.Top(x) + margin && y < o.Bottom(x) - margin) {
                cover[static_cast<std::size_t>(y) * kColumns + x] = 1.0;
                continue;
            }
            double sum = 0;
            for (int i = 0; i < kPoints; ++i) {
                const double u = x - 0.5 + (i + 0.5) / kPoints;
                const double top = o.Top(u), bottom = o.Bottom(u);
                const double ct = 1 / std::sqrt(1 + o.kt * o.kt), cb = 1 / std::sqrt(1 + o.kb * o.kb);
                for (int j = 0; j < kPoints; ++j) {
                    const double v = y - 0.5 + (j + 0.5) / kPoints;
                    sum += Phi((v - top) * ct / kBlur) * Phi((bottom - v) * cb / kBlur);
                }
            }
            cover[static_cast<std::size_t>(y) * kColumns + x] = sum / (kPoints * kPoints);
        }
    return cover;
}

std::vector<uint8_t> Pixels(const std::vector<double>& cover, double noise, uint32_t seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> n(0.0, noise);
    std::vector<uint8_t> p(cover.size());
    for (std::size_t i = 0; i < cover.size(); ++i)
        p[i] = static_cast<uint8_t>(
            std::clamp(std::lround(kLight - (kLight - kDark) * cover[i] + n(random)), 0L, 255L));
    return p;
}

// The edges of one column by the darkness sum over rows `reach` either side
// of the true edge, against the true back light.
Edges DarknessSum(const Picture& p, int x, double top, double bottom, int reach) {
    Edges e;
    e.above = e.below = Light{kLight, 0, 0};
    auto darkness = [&](int y) { return (kLight - p.At(x, y)) / (kLight - kDark); };
    const int tc = static_cast<int>(std::floor(top)), bc = static_cast<int>(std::floor(bottom));
    double sum = 0;
    for (int y = tc - reach; y <= tc + reach; ++y)
        sum += darkness(y);
    e.top = tc + reach + 0.5 - sum;
    sum = 0;
    for (int y = bc - reach; y <= bc + reach; ++y)
        sum += darkness(y);
    e.bottom = bc - reach - 0.5 + sum;
    return e;
}

// Every column's edges by the darkness sum (`before`), then fitted.
std::vector<Edges> SumsThenFits(const std::vector<uint8_t>& pixels, int height, const Outline2& o,
                                int reach, std::vector<Edges>& before) {
    const Picture p(pixels.data(), kColumns, height);
    Levels lv;
    lv.silhouette = kDark;
    Trace t;
    t.tip = 0;
    std::vector<Edges> edges;
    for (int x = 0; x < kColumns; ++x)
        edges.push_back(DarknessSum(p, x, o.Top(x), o.Bottom(x), reach));
    before = edges;
    FitSlopingEdges(p, lv, t, edges);
    return edges;
}

struct Spread {
    double n = 0, sum = 0, squares = 0;
    void Add(double e) {
        ++n;
        sum += e;
        squares += e * e;
    }
    double Mean() const { return sum / n; }
    double Rms() const { return std::sqrt(squares / n); }
};

struct Case {
    const char* name;
    double kt, kb; // rows per column of the top and the bottom edge
    bool topFitted, bottomFitted;
};

const Case kCases[] = {
    {"both edges slope gently", 0.3, 0.3, true, true},
    {"a cone's slope", 1.0, 1.0, true, true},
    {"a steep cone", 2.5, 2.5, true, true},
    {"a flat top edge keeps its sum", 0.0, 1.0, false, true},
    {"a flat drill keeps both sums", 0.0, 0.0, false, false},
};

TEST(StepFit, SlopingEdgesComeCloserToTheOutlineThanTheirSums) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const int height = static_cast<int>(60 + (c.kt + c.kb) * kColumns);
        const Outline2 o{20 + c.kt * kColumns, c.kt, 40 + c.kt * kColumns, c.kb};
        const std::vector<double> cover = Coverage(o, height);
        // The sum's window spans the transition of the steeper edge, and at
        // least the gauge's own window.
        const double k = std::max(c.kt, c.kb);
        const int reach = std::max(
            6, static_cast<int>(std::ceil(3.5 * std::sqrt(kBlur * kBlur * (1 + k * k) + k * k / 12))) + 1);
        Spread sums[2], fits[2]; // top, bottom
        for (uint32_t seed = 1; seed <= 6; ++seed) {
            std::vector<Edges> before;
            const std::vector<Edges> edges =
                SumsThenFits(Pixels(cover, 2.0, seed), height, o, reach, before);
            for (int x = 1; x + 1 < kColumns; ++x) {
                sums[0].Add(before[x].top - o.Top(x));
                sums[1].Add(before[x].bottom - o.Bottom(x));
                fits[0].Add(edges[x].top - o.Top(x));
                fits[1].Add(edges[x].bottom - o.Bottom(x));
                if (!c.topFitted) {
                    EXPECT_EQ(edges[x].top, before[x].top) << "column " << x;
                }
                if (!c.bottomFitted) {
                    EXPECT_EQ(edges[x].bottom, before[x].bottom) << "column " << x;
                }
            }
            // The first and the last column have a neighbour on one side only.
            EXPECT_EQ(edges.front().top, before.front().top);
            EXPECT_EQ(edges.back().bottom, before.back().bottom);
        }
        const bool fitted[2] = {c.topFitted, c.bottomFitted};
        for (int k = 0; k < 2; ++k) {
            SCOPED_TRACE(k == 0 ? "top" : "bottom");
            EXPECT_LT(std::fabs(fits[k].Mean()), 0.005);
            if (fitted[k]) {
                EXPECT_LT(fits[k].Rms(), 0.7 * sums[k].Rms());
            }
        }
    }
}

// Columns next to a bend of the outline: the blur mixes the bend into
// their transition, lopsided, and the fit would not give the covered length
// that the corner's model expects.  Farther away, the edge is fitted.
TEST(StepFit, ColumnsNextToABendKeepTheirSums) {
    Outline2 o{220.37, 1.0, 260.21, 1.0};
    o.bendAt = 50;
    const int height = 400;
    std::vector<Edges> before;
    const std::vector<Edges> edges =
        SumsThenFits(Pixels(Coverage(o, height), 0.0, 1), height, o, 12, before);
    for (int x = 49; x <= 51; ++x)
        EXPECT_EQ(edges[x].top, before[x].top) << "column " << x;
    EXPECT_NE(edges[40].top, before[40].top);
    EXPECT_NE(edges[60].top, before[60].top);
}

} // namespace

// The sums of an odd picture can put edges beyond its rows or make them no
// numbers: such a column is left as it is, and nothing outside the picture
// is read.
TEST(StepFit, EdgesOutsideThePictureOrNoNumbersAreLeftAlone) {
    const Outline2 o{40.4, 0.3, 70.6, 0.3};
    const int height = 140;
    const std::vector<uint8_t> pixels = Pixels(Coverage(o, height), 2.0, 3);
    const Picture p(pixels.data(), kColumns, height);
    Levels lv;
    lv.silhouette = kDark;
    Trace t;
    t.tip = 0;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double odd[][2] = {{nan, 60}, {30, nan}, {-3, 60}, {30, height + 2.0}, {-1e12, 1e12}};
    for (const auto& edge : odd) {
        std::vector<Edges> edges;
        for (int x = 0; x < kColumns; ++x)
            edges.push_back(DarknessSum(p, x, o.Top(x), o.Bottom(x), 6));
        edges[50].top = edge[0];
        edges[50].bottom = edge[1];
        FitSlopingEdges(p, lv, t, edges);
        EXPECT_TRUE(edges[50].top == edge[0] || (std::isnan(edge[0]) && std::isnan(edges[50].top)));
        EXPECT_TRUE(edges[50].bottom == edge[1] ||
                    (std::isnan(edge[1]) && std::isnan(edges[50].bottom)));
        EXPECT_TRUE(std::isfinite(edges[40].top) && std::isfinite(edges[40].bottom));
    }
}
