// Sub-pixel edges and the widest part.
//
// In every column of the span, across each edge, the darkness
// (back light - value) / (back light - silhouette) summed over a window from
// the back light into the silhouette is the covered length of the window:
// the blur moves grey from one side of the edge to the other but keeps the
// sum, and zero-mean noise averages out.  The back light is the one next to
// the edge: two bands of rows beyond the window, in the column and its
// neighbours, give its level and its change along the column, so that a
// back light that varies over the picture or falls off towards the corners
// does not move the edge.  A band pixel much darker than the back light is
// dirt: the band does not count, and neither does a band far from its
// neighbours'.
#include "libs/edge_gauge/gauge_parts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace edge_gauge::parts {

namespace {

constexpr double kBandOutlier = 4.0; // noise sigmas of a band mean from its neighbours'
constexpr int kMixedColumns = 2;     // columns either side that the blur mixes into a band
constexpr double kBandNoise = 1.3;   // the back light's share of a column's extent noise
constexpr int kGradientReach = 4 * kBandReach; // columns either side that give the light's slopes
constexpr int kGradientStep = 4; // columns that share the light's slopes

const double kNone = std::numeric_limits<double>::quiet_NaN();

// A band of rows from ... to of column x: its mean, NaN when it lies outside
// the picture, is too short or holds dirt.
double BandMean(const Picture& p, const Levels& lv, int x, int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, p.height - 1);
    if (to - from + 1 < kBand / 2)
        return kNone;
    int sum = 0;
    const int dirt = lv.dirtBelow[x];
    const uint8_t* q = p.Row(from) + x;
    for (int y = from; y <= to; ++y, q += p.width) {
        const int v = *q;
        if (v < dirt || v == kWhite) // dirt, or the station's white
            return kNone;
        sum += v;
    }
    return static_cast<double>(sum) / (to - from + 1);
}

// Working values, each written before it is read: no time spent clearing them.
template <typename T> class Buffer {
  public:
    explicit Buffer(int n) : p_(new T[static_cast<std::size_t>(n)]) {}
    T& operator[](int i) { return p_[i]; }
    const T& operator[](int i) const { return p_[i]; }

  private:
    std::unique_ptr<T[]> p_;
};

// The bands beyond the edge windows of one side, column by column.
struct Bands {
    explicit Bands(int n) : n(n), near(n), far(n), nearRow(n), farRow(n), edgeRow(n) {}
    // Sets the band means of column i and the rows they lie in.
    void Set(int i, double nearMean, double farMean, double nearMiddle, double farMiddle,
             int edge) {
        near[i] = nearMean;
        far[i] = farMean;
        nearRow[i] = nearMiddle;
        farRow[i] = farMiddle;
        edgeRow[i] = edge;
    }

    int n;
    // Means of the band next to the window and the one beyond (NaN: none),
    // their middle rows, and the outline row of the edge.
    Buffer<double> near, far;
    Buffer<double> nearRow, farRow;
    Buffer<int> edgeRow;
};

// The back light next to the edges of one side, column by column: a plane
// (level, change along the rows, change along the columns) fitted to the
// bands of the column and its neighbours.  The bands of a sloping outline
// (the cone, the neck) lie in different rows from column to column; the
// plane takes each where it lies, so that every column's back light rests
// on the bands of some fifty neighbours, not on its own two, and its slopes
// on those of some two hundred.  Running sums
// give each column's fit.  A band far from the plane of its own column's
// neighbourhood (dirt too faint to be seen as such, the rim of a cut) is
// left out, and the sums made again without it.
class BackLightPlanes {
  public:
    // measure: the columns whose back light is asked for; silhouette: the
    // drill's grey level.
    BackLightPlanes(const Bands& b, double noise, double silhouette,
                    const std::vector<uint8_t>& measure)
        : b_(b), silhouette_(silhouette), sums_(b.n + 1), planes_(b.n), fitted_(b.n),
          slopes_((b.n + kGradientStep - 1) / kGradientStep) {
        const double limit = kBandOutlier * noise / std::sqrt(static_cast<double>(kBand)) + 1.0;
        Buffer<uint8_t> use(b.n); // bit 0: the near band counts, bit 1: the far one
        for (int j = 0; j < b.n; ++j)
            use[j] = std::isnan(b.near[j]) ? 0 : std::isnan(b.far[j]) ? 1 : 3;
        Sum(use);
        std::vector<int> dropped; // columns with a band left out
        for (int j = 0; j < b.n; ++j) {
            fitted_[j] = measure[j] && Fit(j, planes_[j]);
            if (!use[j] || !fitted_[j])
                continue;
            const Plane& plane = planes_[j];
            const uint8_t was = use[j];
            if (std::fabs(b.near[j] - plane.At(j, b.nearRow[j])) > limit)
                use[j] &= ~1;
            if ((use[j] & 2) && std::fabs(b.far[j] - plane.At(j, b.farRow[j])) > limit)
                use[j] &= ~2;
            if (use[j] != was)
                dropped.push_back(j);
        }
        if (dropped.empty())
            return;
        // Again, for the columns with a band left out within their reach
        // (that of the slopes of their block).
        Sum(use);
        constexpr int kReach = kGradientReach + kGradientStep;
        int next = 0; // the first column not yet fitted again
        for (const int j : dropped) {
            const int to = std::min(b.n - 1, j + kReach);
            for (int i = std::max(next, j - kReach); i <= to; ++i)
                if (measure[i])
                    fitted_[i] = Fit(i, planes_[i]);
            next = to + 1;
        }
    }

    // The back light next to column i's edge; `fallback`, level along the
    // column, where no plane was fitted or where the plane (through a few
    // scattered bands of a tiny or odd picture) would come near the
    // silhouette's level anywhere across the edge's window and bands.
    Light At(int i, float fallback) const {
        Light l;
        l.at = b_.edgeRow[i];
        l.level = fallback;
        if (!fitted_[i])
            return l;
        const double level = planes_[i].At(i, l.at), slope = planes_[i].alongRows;
        constexpr double kReach = kEdgeOut + kEdgeIn + kBand; // rows the light is used over
        if (!(level - std::fabs(slope) * kReach - silhouette_ >= kMinContrast))
            return l;
        l.level = level;
        l.slope = slope;
        return l;
    }

  private:
    // Sums of the bands' columns u, rows r and means v, and their products.
    struct Sums {
        double n = 0, u = 0, r = 0, v = 0, uu = 0, ur = 0, rr = 0, uv = 0, rv = 0;
        void Add(double cu, double cr, double cv) {
            n += 1;
            u += cu;
            r += cr;
            v += cv;
            uu += cu * cu;
            ur += cu * cr;
            rr += cr * cr;
            uv += cu * cv;
            rv += cr * cv;
        }
        void Subtract(const Sums& o) {
            n -= o.n;
            u -= o.u;
            r -= o.r;
            v -= o.v;
            uu -= o.uu;
            ur -= o.ur;
            rr -= o.rr;
            uv -= o.uv;
            rv -= o.rv;
        }
    };

    // v = level + alongColumns (u - u0) + alongRows (r - r0), least squares
    // about the bands' centre (u0, r0); a change that the bands do not
    // determine (all in one column, or one row) is left at zero.
    struct Plane {
        double level = 0, alongColumns = 0, alongRows = 0, u0 = 0, r0 = 0;
        double At(double u, double r) const {
            return level + alongColumns * (u - u0) + alongRows * (r - r0);
        }
    };

    // The running sums of the bands in use, and the slopes of each block of
    // kGradientStep columns, from the planes about the blocks' middles.
    void Sum(const Buffer<uint8_t>& use) {
        sums_[0] = Sums{};
        for (int j = 0; j < b_.n; ++j) {
            Sums s = sums_[j];
            if (use[j] & 1)
                s.Add(j, b_.nearRow[j], b_.near[j]);
            if (use[j] & 2)
                s.Add(j, b_.farRow[j], b_.far[j]);
            sums_[j + 1] = s;
        }
        for (int k = 0; k * kGradientStep < b_.n; ++k) {
            Plane wide;
            Slopes& s = slopes_[k];
            s.fitted = FitReach(std::min(b_.n - 1, k * kGradientStep + kGradientStep / 2),
                                kGradientReach, wide);
            s.alongColumns = wide.alongColumns;
            s.alongRows = wide.alongRows;
        }
    }

    // The plane of column i: its level from the bands of columns
    // i - kBandReach ... i + kBandReach, its changes along the rows and the
    // columns from those of kGradientReach columns either side.  The back
    // light changes its slope slowly across the picture, and a slope from
    // a few bands, carried over the rows between the bands and the edge,
    // would move the edges of many neighbouring columns alike.
    bool Fit(int i, Plane& plane) const {
        if (!FitReach(i, kBandReach, plane))
            return false;
        const Slopes& s = slopes_[i / kGradientStep];
        if (s.fitted) {
            plane.alongColumns = s.alongColumns;
            plane.alongRows = s.alongRows;
        }
        return true;
    }

    // The plane of the bands of columns i - reach ... i + reach.
    bool FitReach(int i, int reach, Plane& plane) const {
        const int from = std::max(0, i - reach), to = std::min(b_.n - 1, i + reach);
        Sums s = sums_[to + 1];
        s.Subtract(sums_[from]);
        if (!(s.n > 0.5))
            return false;
        const double mu = s.u / s.n, mr = s.r / s.n, mv = s.v / s.n;
        // Centred second moments.
        const double cuu = s.uu - s.n * mu * mu, cur = s.ur - s.n * mu * mr;
        const double crr = s.rr - s.n * mr * mr, cuv = s.uv - s.n * mu * mv;
        const double crv = s.rv - s.n * mr * mv;
        constexpr double kLeast = 1.0; // squared pixels of spread that determine a change
        const bool columns = cuu > kLeast, rows = crr > kLeast;
        const double det = cuu * crr - cur * cur;
        plane = Plane{mv, 0, 0, mu, mr};
        if (columns && rows && det > 1e-6 * cuu * crr) {
            plane.alongColumns = (cuv * crr - crv * cur) / det;
            plane.alongRows = (crv * cuu - cuv * cur) / det;
        } else if (rows) {
            plane.alongRows = crv / crr;
        } else if (columns) {
            plane.alongColumns = cuv / cuu;
        }
        return std::isfinite(plane.level) && std::isfinite(plane.alongRows) &&
               std::isfinite(plane.alongColumns);
    }

    struct Slopes {
        double alongColumns = 0, alongRows = 0;
        bool fitted = false;
    };

    const Bands& b_;
    double silhouette_;
    Buffer<Sums> sums_;
    Buffer<Plane> planes_; // of the columns asked for
    Buffer<uint8_t> fitted_;
    Buffer<Slopes> slopes_; // of each block of kGradientStep columns
};

} // namespace

double WindowDarkness(double s0, double s1, int from, int n, const Light& light,
                      double silhouette) {
    // Sum over the window of (L(i) - v(i)) / (L(i) - silhouette), L linear:
    // to first order in the slope about the window's middle c, with
    // u = i - c, sum u = 0 and Q = sum u^2.
    const double c = from + 0.5 * (n - 1);
    const double lc = light.At(c);
    const double inv = 1.0 / (lc - silhouette);
    const double k = light.slope * inv;
    const double s1c = s1 - c * s0;
    const double q = n * (static_cast<double>(n) * n - 1.0) / 12.0;
    return inv * (n * lc - s0 + k * (s1c - light.slope * q));
}

void MeasureLight(const Picture& p, const Levels& lv, const Trace& t,
                  const std::vector<uint8_t>& measure, std::vector<Edges>& edges) {
    const int span = static_cast<int>(t.outline.size());
    edges.resize(span);
    Bands aboveBands(span), belowBands(span);
    for (int i = 0; i < span; ++i) {
        const int x = t.tip + i;
        const Outline o = t.windows[i];
        Edges& e = edges[i];
        if (!measure[i]) {
            e.top = o.top - 0.5;
            e.bottom = o.bottom + 0.5;
            e.measured = e.clean = false;
            aboveBands.Set(i, kNone, kNone, 0, 0, o.top);
            belowBands.Set(i, kNone, kNone, 0, 0, o.bottom);
            continue;
        }
        e.measured = true;
        const int widen = t.Widen(i);
        const int topFrom = o.top - kEdgeOut - widen, bottomTo = o.bottom + kEdgeOut + widen;
        // The silhouette of the columns that the blur mixes into this one: a
        // band that reaches its rows (beside the step of a ring, say) holds
        // the blur's grey, not the back light.
        int reachTop = o.top, reachBottom = o.bottom;
        for (int j = std::max(0, i - kMixedColumns); j <= std::min(span - 1, i + kMixedColumns);
             ++j) {
            reachTop = std::min(reachTop, t.outline[j].top);
            reachBottom = std::max(reachBottom, t.outline[j].bottom);
        }
        auto above = [&](int from, int to) {
            return to < reachTop - 1 ? BandMean(p, lv, x, from, to) : kNone;
        };
        auto below = [&](int from, int to) {
            return from > reachBottom + 1 ? BandMean(p, lv, x, from, to) : kNone;
        };
        aboveBands.Set(i, above(topFrom - kBand, topFrom - 1),
                       above(topFrom - 2 * kBand, topFrom - kBand - 1),
                       0.5 * (std::max(topFrom - kBand, 0) + topFrom - 1),
                       0.5 * (std::max(topFrom - 2 * kBand, 0) + topFrom - kBand - 1), o.top);
        belowBands.Set(i, below(bottomTo + 1, bottomTo + kBand),
                       below(bottomTo + kBand + 1, bottomTo + 2 * kBand),
                       0.5 * (bottomTo + 1 + std::min(bottomTo + kBand, p.height - 1)),
                       0.5 * (bottomTo + kBand + 1 + std::min(bottomTo + 2 * kBand, p.height - 1)),
                       o.bottom);
        // The windows' sums, and dirt inside them on the back light's side
        // of the edges.
        const int dirt = lv.dirtBelow[x];
        const EdgeWindows w = WindowsOf(o, p.height, widen);
        bool clean = true;
        int sum = 0, moment = 0;
        const uint8_t* q = p.Row(w.topFrom) + x;
        for (int y = w.topFrom; y <= w.topTo; ++y, q += p.width) {
            const int v = *q;
            sum += v;
            moment += y * v;
        }
        for (int y = w.topFrom; y <= o.top - 3 - widen; ++y)
            clean &= p.At(x, y) >= dirt;
        e.topSum = sum;
        e.topMoment = moment;
        sum = moment = 0;
        q = p.Row(w.bottomFrom) + x;
        for (int y = w.bottomFrom; y <= w.bottomTo; ++y, q += p.width) {
            const int v = *q;
            sum += v;
            moment += y * v;
        }
        for (int y = o.bottom + 3 + widen; y <= w.bottomTo; ++y)
            clean &= p.At(x, y) >= dirt;
        e.bottomSum = sum;
        e.bottomMoment = moment;
        e.clean = clean;
    }
    const BackLightPlanes aboveLight(aboveBands, lv.noise, lv.silhouette, measure),
        belowLight(belowBands, lv.noise, lv.silhouette, measure);
    for (int i = 0; i < span; ++i) {
        if (!measure[i])
            continue;
        const float fallback = lv.light[t.tip + i];
        edges[i].above = aboveLight.At(i, fallback);
        edges[i].below = belowLight.At(i, fallback);
    }
}

EdgeWindows WindowsOf(const Outline& o, int height, int widen) {
    EdgeWindows w;
    w.topFrom = std::max(o.top - kEdgeOut - widen, 0);
    w.bottomTo = std::min(o.bottom + kEdgeOut + widen, height - 1);
    if (o.bottom - o.top >= 2 * (kEdgeIn + widen) + 1) {
        w.topTo = o.top + kEdgeIn + widen - 1;
        w.bottomFrom = o.bottom - kEdgeIn - widen + 1;
    } else { // a thin column: the windows meet half-way
        w.topTo = (o.top + o.bottom) / 2;
        w.bottomFrom = w.topTo + 1;
    }
    return w;
}

void MeasureEdges(const Picture& p, const Levels& lv, const Trace& t, std::vector<Edges>& edges) {
    const int span = static_cast<int>(t.outline.size());
    for (int i = 0; i < span; ++i) {
        Edges& e = edges[i];
        if (!e.measured)
            continue;
        const EdgeWindows w = WindowsOf(t.windows[i], p.height, t.Widen(i));
        e.top = w.topTo + 0.5 -
                WindowDarkness(e.topSum, e.topMoment, w.topFrom, w.topTo - w.topFrom + 1, e.above,
                               lv.silhouette);
        e.bottom = w.bottomFrom - 0.5 +
                   WindowDarkness(e.bottomSum, e.bottomMoment, w.bottomFrom,
                                  w.bottomTo - w.bottomFrom + 1, e.below, lv.silhouette);
    }
}

double ColumnNoise(const Levels& lv) {
    // Both windows' sums, and the back light next to them.
    return kBandNoise * std::sqrt(2.0 * (kEdgeOut + kEdgeIn)) * lv.noise / lv.Contrast();
}

Body FindBody(const Trace& t, const std::vector<Edges>& edges) {
    Body body;
    // The extent's running median over five columns: short enough for the
    // body of a span that ends soon after the cone.
    const int span = static_cast<int>(edges.size());
    std::vector<double> m(span);
    for (int i = 0; i < span; ++i) {
        double window[2 * kPlaceReach + 1];
        int n = 0;
        for (int j = std::max(0, i - kPlaceReach); j <= std::min(span - 1, i + kPlaceReach); ++j)
            window[n++] = edges[j].Extent();
        m[i] = SmallMedian(window, n);
    }
    for (int i = 0; i + kFlatColumns < span && edges[i + kFlatColumns].measured; ++i) {
        const auto [mn, mx] = std::minmax_element(m.begin() + i, m.begin() + i + kFlatColumns + 1);
        if (*mx - *mn > kFlatTolerance)
            continue;
        std::vector<double> part(m.begin() + i, m.begin() + i + kFlatColumns + 1);
        const double ref = MedianOf(part);
        int j = i;
        while (j + 1 < span && edges[j + 1].measured && std::fabs(m[j + 1] - ref) <= kFlatTolerance)
            ++j;
        body.first = t.tip + i;
        body.last = t.tip + j;
        break;
    }
    return body;
}

bool ExtrapolateTip(const Trace& t, const std::vector<Edges>& edges, double& tip) {
    // Columns three or more from the first dark one, where the blur no
    // longer rounds the point, up to where the cone meets the body: a span
    // that ends a few columns into the body (too few for a body of its own)
    // holds columns of the body's extent, which are no part of the cone's
    // line, and the corner between the two, which the blur rounds.
    const int span = static_cast<int>(edges.size());
    double widest = 0;
    for (int i = kTipRoundColumns; i < span; ++i)
        if (edges[i].measured)
            widest = std::max(widest, edges[i].Extent());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    int n = 0;
    for (int i = kTipRoundColumns; i < span; ++i) {
        const double x = t.tip + i, y = edges[i].Extent();
        if (!edges[i].measured || y > widest - kConeCornerMargin)
            continue;
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
        ++n;
    }
    if (n < 3)
        return false;
    const double det = n * sxx - sx * sx;
    if (!(det > 0))
        return false;
    const double slope = (n * sxy - sx * sy) / det;
    const double offset = (sy - slope * sx) / n;
    if (!(slope > 0.1))
        return false;
    tip = -offset / slope;
    return std::isfinite(tip);
}

} // namespace edge_gauge::parts
