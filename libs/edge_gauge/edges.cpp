// Sub-pixel edges and the widest part.
//
// In every column of the span, across each edge, the darkness
// (back light - value) / (back light - silhouette) summed over a window from
// the back light into the silhouette is the covered length of the window:
// the blur moves grey from one side of the edge to the other but keeps the
// sum, and zero-mean noise averages out.  The back light is the one next to
// the edge: two bands of rows beyond the window, averaged over the
// neighbouring columns whose bands lie in about the same rows, give its
// level and its change along the column, so that a back light that varies
// over the picture or falls off towards the corners does not move the edge.
// A band pixel much darker than the back light is dirt: the band does not
// count, and neither does a band far from its neighbours'.
//
// The widest part: the running median of the extent (bottom - top) over
// 21 columns finds the stretches of the largest extent, within a
// tolerance well above the median's noise, so that no column of a stretch
// of constant diameter is left out or taken in by chance: the average over
// the stretch is free of the bias of picking noisy maxima.  Columns next to
// a change of extent are left out (the blur mixes their neighbours), and
// columns whose edges lie far from the stretch's median (dust on an edge)
// are left out of the averages.
#include "libs/edge_gauge/gauge_parts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace edge_gauge::parts {

namespace {

constexpr double kBandOutlier = 4.0;   // noise sigmas of a band mean from its neighbours'
constexpr double kMedianNoise = 0.28;  // noise of the running median, in single-column sigmas
constexpr double kBandNoise = 1.3;     // the back light's share of a column's extent noise
constexpr double kLeastOutlier = 0.05; // pixels: edges this close to the median always count

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
    explicit Bands(int n) : n(n), near(n), far(n), nearRow(n), farRow(n), edgeRow(n), meanRow(n) {}
    // Sets the band means of column i and the rows they lie in.
    void Set(int i, double nearMean, double farMean, double nearMiddle, double farMiddle,
             int edge) {
        near[i] = nearMean;
        far[i] = farMean;
        nearRow[i] = nearMiddle;
        farRow[i] = farMiddle;
        edgeRow[i] = edge;
        meanRow[i] = std::isnan(nearMean) ? kNoRow : edge;
    }

    static constexpr int kNoRow = -(1 << 24);
    int n;
    Buffer<double> near, far;       // means of the band next to the window and the one beyond
    Buffer<double> nearRow, farRow; // their middle rows
    Buffer<int> edgeRow;            // the outline row of the edge
    Buffer<int> meanRow;            // the edge row where the near band has a mean, else kNoRow
};

// The averaged back light of column i from the bands of its neighbours: the
// bands in about the column's rows, less those far from their mean.
Light Average(const Bands& b, int i, double noise, float fallback) {
    const int n = b.n;
    const int from = std::max(0, i - kBandReach), to = std::min(n - 1, i + kBandReach);
    const int row = b.edgeRow[i];
    const double inf = std::numeric_limits<double>::infinity();
    // The bands that count, with the extremes of their means: when none is
    // an outlier, these sums are the answer.
    double sum = 0, rows = 0, lo = inf, hi = -inf;
    double farSum = 0, farRow = 0, farLo = inf, farHi = -inf;
    int count = 0, farCount = 0;
    for (int j = from; j <= to; ++j) {
        if (std::abs(b.meanRow[j] - row) > kBand)
            continue;
        const double v = b.near[j];
        sum += v;
        rows += b.nearRow[j];
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        ++count;
        const double f = b.far[j];
        if (f == f) {
            farSum += f - v;
            farRow += b.farRow[j] - b.nearRow[j];
            farLo = std::min(farLo, f);
            farHi = std::max(farHi, f);
            ++farCount;
        }
    }
    Light l;
    l.at = b.nearRow[i];
    if (count == 0) {
        l.level = fallback;
        return l;
    }
    const double first = sum / count;
    const double limit = kBandOutlier * noise / std::sqrt(static_cast<double>(kBand)) + 1.0;
    const double farLimit = 2 * limit + 8.0;
    if (hi - first > limit || first - lo > limit ||
        (farCount > 0 && !(farHi - first < farLimit && first - farLo < farLimit))) {
        // Again without the outliers.
        sum = rows = farSum = farRow = 0;
        count = farCount = 0;
        for (int j = from; j <= to; ++j) {
            if (std::abs(b.meanRow[j] - row) > kBand || std::fabs(b.near[j] - first) > limit)
                continue;
            sum += b.near[j];
            rows += b.nearRow[j];
            ++count;
            if (!std::isnan(b.far[j]) && std::fabs(b.far[j] - first) < farLimit) {
                farSum += b.far[j] - b.near[j];
                farRow += b.farRow[j] - b.nearRow[j];
                ++farCount;
            }
        }
        if (count == 0) {
            l.level = first;
            return l;
        }
    }
    l.level = sum / count;
    l.at = rows / count;
    if (farCount > 0 && farRow != 0)
        l.slope = farSum / farRow; // change per row, from the band beyond
    return l;
}

// The least and the largest of v over the window i - kBandReach ...
// i + kBandReach (within 0 ... n - 1) of every i, in one pass each way: van
// Herk's blocks of the window's length, each with its running extremes from
// either end.  Values flagged off in `use` do not count.
class SlidingExtremes {
  public:
    static constexpr int kBlock = 2 * kBandReach + 1;

    // value(i): the value of i; use(i): whether it counts.
    template <typename Value, typename Use>
    SlidingExtremes(int n, Value value, Use use) : preLo_(n), preHi_(n), sufLo_(n), sufHi_(n) {
        const double inf = std::numeric_limits<double>::infinity();
        for (int start = 0; start < n; start += kBlock) {
            const int end = std::min(start + kBlock, n) - 1;
            double lo = inf, hi = -inf;
            for (int i = start; i <= end; ++i) {
                if (use(i)) {
                    lo = std::min(lo, static_cast<double>(value(i)));
                    hi = std::max(hi, static_cast<double>(value(i)));
                }
                preLo_[i] = lo;
                preHi_[i] = hi;
            }
            lo = inf;
            hi = -inf;
            for (int i = end; i >= start; --i) {
                if (use(i)) {
                    lo = std::min(lo, static_cast<double>(value(i)));
                    hi = std::max(hi, static_cast<double>(value(i)));
                }
                sufLo_[i] = lo;
                sufHi_[i] = hi;
            }
        }
    }
    // The extremes over from ... to, the window of some i: at most one
    // block long, it either spans two neighbouring blocks or begins at a
    // block's start or ends at the last value.
    void Get(int from, int to, double& lo, double& hi) const {
        if (from / kBlock != to / kBlock) {
            lo = std::min(sufLo_[from], preLo_[to]);
            hi = std::max(sufHi_[from], preHi_[to]);
        } else if (from % kBlock == 0) {
            lo = preLo_[to];
            hi = preHi_[to];
        } else {
            lo = sufLo_[from];
            hi = sufHi_[from];
        }
    }

  private:
    Buffer<double> preLo_, preHi_, sufLo_, sufHi_;
};

// The averaged back light of every column of one side, in a single pass:
// running sums over the bands and their extremes over each window.  Where
// every band of a window lies in about the column's rows and none is an
// outlier, the average is the window's sums; elsewhere (the cone, steps of
// the outline, dirt) Average() weighs each band.
class BandAverages {
  public:
    BandAverages(const Bands& b, double noise)
        : b_(b), noise_(noise), count_(b.n + 1), farCount_(b.n + 1), nearSum_(b.n + 1),
          nearRow_(b.n + 1), farSum_(b.n + 1), farRow_(b.n + 1),
          edges_(
              b.n, [&](int j) { return b.edgeRow[j]; },
              [&](int j) { return b.meanRow[j] != Bands::kNoRow; }),
          nears_(
              b.n, [&](int j) { return b.near[j]; },
              [&](int j) { return b.meanRow[j] != Bands::kNoRow; }),
          fars_(
              b.n, [&](int j) { return b.far[j]; },
              [&](int j) { return b.meanRow[j] != Bands::kNoRow && !std::isnan(b.far[j]); }) {
        count_[0] = farCount_[0] = 0;
        nearSum_[0] = nearRow_[0] = farSum_[0] = farRow_[0] = 0.0;
        for (int j = 0; j < b.n; ++j) {
            const bool hasNear = b.meanRow[j] != Bands::kNoRow;
            const bool hasFar = hasNear && !std::isnan(b.far[j]);
            count_[j + 1] = count_[j] + hasNear;
            farCount_[j + 1] = farCount_[j] + hasFar;
            nearSum_[j + 1] = nearSum_[j] + (hasNear ? b.near[j] : 0.0);
            nearRow_[j + 1] = nearRow_[j] + (hasNear ? b.nearRow[j] : 0.0);
            farSum_[j + 1] = farSum_[j] + (hasFar ? b.far[j] - b.near[j] : 0.0);
            farRow_[j + 1] = farRow_[j] + (hasFar ? b.farRow[j] - b.nearRow[j] : 0.0);
        }
    }

    Light At(int i, float fallback) const {
        const int n = b_.n;
        const int from = std::max(0, i - kBandReach), to = std::min(n - 1, i + kBandReach);
        const int count = count_[to + 1] - count_[from];
        if (count == 0)
            return Average(b_, i, noise_, fallback);
        double lo, hi;
        edges_.Get(from, to, lo, hi);
        const double row = b_.edgeRow[i];
        if (hi - row > kBand || row - lo > kBand)
            return Average(b_, i, noise_, fallback);
        const double nearSum = nearSum_[to + 1] - nearSum_[from];
        const double first = nearSum / count;
        const double limit = kBandOutlier * noise_ / std::sqrt(static_cast<double>(kBand)) + 1.0;
        nears_.Get(from, to, lo, hi);
        if (hi - first > limit || first - lo > limit)
            return Average(b_, i, noise_, fallback);
        const int farCount = farCount_[to + 1] - farCount_[from];
        if (farCount > 0) {
            fars_.Get(from, to, lo, hi);
            if (!(hi - first < 2 * limit + 8.0 && first - lo < 2 * limit + 8.0))
                return Average(b_, i, noise_, fallback);
        }
        Light l;
        l.level = first;
        l.at = (nearRow_[to + 1] - nearRow_[from]) / count;
        const double farRow = farRow_[to + 1] - farRow_[from];
        if (farCount > 0 && farRow != 0)
            l.slope = (farSum_[to + 1] - farSum_[from]) / farRow;
        return l;
    }

  private:
    const Bands& b_;
    double noise_;
    Buffer<int> count_, farCount_; // running counts of bands with a mean
    Buffer<double> nearSum_, nearRow_, farSum_, farRow_;
    SlidingExtremes edges_, nears_, fars_;
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
    Bands above(span), below(span);
    for (int i = 0; i < span; ++i) {
        const int x = t.tip + i;
        const Outline o = t.windows[i];
        Edges& e = edges[i];
        if (!measure[i]) {
            e.top = o.top - 0.5;
            e.bottom = o.bottom + 0.5;
            e.measured = e.clean = false;
            above.Set(i, kNone, kNone, 0, 0, o.top);
            below.Set(i, kNone, kNone, 0, 0, o.bottom);
            continue;
        }
        e.measured = true;
        const int topFrom = o.top - kEdgeOut, bottomTo = o.bottom + kEdgeOut;
        above.Set(i, BandMean(p, lv, x, topFrom - kBand, topFrom - 1),
                  BandMean(p, lv, x, topFrom - 2 * kBand, topFrom - kBand - 1),
                  0.5 * (std::max(topFrom - kBand, 0) + topFrom - 1),
                  0.5 * (std::max(topFrom - 2 * kBand, 0) + topFrom - kBand - 1), o.top);
        below.Set(i, BandMean(p, lv, x, bottomTo + 1, bottomTo + kBand),
                  BandMean(p, lv, x, bottomTo + kBand + 1, bottomTo + 2 * kBand),
                  0.5 * (bottomTo + 1 + std::min(bottomTo + kBand, p.height - 1)),
                  0.5 * (bottomTo + kBand + 1 + std::min(bottomTo + 2 * kBand, p.height - 1)),
                  o.bottom);
        // Dirt inside the windows, on the back light's side of the edges.
        // The windows' sums, and dirt inside them on the back light's side
        // of the edges.
        const int dirt = lv.dirtBelow[x];
        const EdgeWindows w = WindowsOf(o, p.height);
        bool clean = true;
        int sum = 0, moment = 0;
        const uint8_t* q = p.Row(w.topFrom) + x;
        for (int y = w.topFrom; y <= w.topTo; ++y, q += p.width) {
            const int v = *q;
            sum += v;
            moment += y * v;
        }
        for (int y = w.topFrom; y <= o.top - 3; ++y)
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
        for (int y = o.bottom + 3; y <= w.bottomTo; ++y)
            clean &= p.At(x, y) >= dirt;
        e.bottomSum = sum;
        e.bottomMoment = moment;
        e.clean = clean;
    }
    const BandAverages aboveLight(above, lv.noise), belowLight(below, lv.noise);
    for (int i = 0; i < span; ++i) {
        if (!measure[i])
            continue;
        const float fallback = lv.light[t.tip + i];
        edges[i].above = aboveLight.At(i, fallback);
        edges[i].below = belowLight.At(i, fallback);
    }
}

EdgeWindows WindowsOf(const Outline& o, int height) {
    EdgeWindows w;
    w.topFrom = std::max(o.top - kEdgeOut, 0);
    w.bottomTo = std::min(o.bottom + kEdgeOut, height - 1);
    if (o.bottom - o.top >= 2 * kEdgeIn + 1) {
        w.topTo = o.top + kEdgeIn - 1;
        w.bottomFrom = o.bottom - kEdgeIn + 1;
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
        const EdgeWindows w = WindowsOf(t.windows[i], p.height);
        e.top = w.topTo + 0.5 -
                WindowDarkness(e.topSum, e.topMoment, w.topFrom, w.topTo - w.topFrom + 1, e.above,
                               lv.silhouette);
        e.bottom = w.bottomFrom - 0.5 +
                   WindowDarkness(e.bottomSum, e.bottomMoment, w.bottomFrom,
                                  w.bottomTo - w.bottomFrom + 1, e.below, lv.silhouette);
    }
}

namespace {

double MedianOf(std::vector<double>& v) {
    const std::size_t m = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + m, v.end());
    return v[m];
}

// The mean of values near their median: those within kOutlierSigmas of the
// median's spread (the median absolute deviation).
double RobustMean(std::vector<double> v, std::vector<char>& keep, const std::vector<double>& all) {
    std::vector<double> copy = v;
    const double median = MedianOf(copy);
    for (double& d : copy)
        d = std::fabs(d - median);
    const double spread = 1.4826 * MedianOf(copy);
    const double limit = std::max(kOutlierSigmas * spread, kLeastOutlier);
    double sum = 0;
    int n = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (std::fabs(all[i] - median) > limit) {
            keep[i] = 0;
            continue;
        }
        sum += all[i];
        ++n;
    }
    return n ? sum / n : median;
}

} // namespace

double WidestTolerance(double columnNoise) {
    return std::max(kWidestFloor, kWidestNoise * kMedianNoise * columnNoise);
}

bool FindWidest(const std::vector<Edges>& edges, double columnNoise, Widest& w) {
    const int span = static_cast<int>(edges.size());
    if (span == 0)
        return false;
    std::vector<double> extent(span);
    for (int i = 0; i < span; ++i)
        extent[i] = edges[i].Extent();
    // The running median, its window kept sorted as it slides.
    w.smooth.resize(span);
    std::vector<double> sorted;
    sorted.reserve(2 * kSmoothReach + 1);
    auto insert = [&](double v) {
        sorted.insert(std::upper_bound(sorted.begin(), sorted.end(), v), v);
    };
    for (int j = 0; j <= std::min(span - 1, kSmoothReach); ++j)
        insert(extent[j]);
    for (int i = 0; i < span; ++i) {
        w.smooth[i] = sorted[sorted.size() / 2];
        if (i - kSmoothReach >= 0)
            sorted.erase(std::lower_bound(sorted.begin(), sorted.end(), extent[i - kSmoothReach]));
        if (i + kSmoothReach + 1 < span)
            insert(extent[i + kSmoothReach + 1]);
    }
    w.noise = columnNoise;
    const double largest = *std::max_element(w.smooth.begin(), w.smooth.end());
    const double tolerance = WidestTolerance(w.noise);
    auto inWidest = [&](int i) { return w.smooth[i] >= largest - tolerance; };
    // A span that ends while the extent still grows (a cut in the cone or
    // the neck): its last column is the widest.
    const int tail = std::min(span, kTailColumns);
    if (tail >= 3 && inWidest(span - 1)) {
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (int i = span - tail; i < span; ++i) {
            sx += i;
            sy += extent[i];
            sxx += static_cast<double>(i) * i;
            sxy += i * extent[i];
        }
        const double slope = (tail * sxy - sx * sy) / (tail * sxx - sx * sx);
        if (slope * (tail - 1) > tolerance + 3 * w.noise) {
            w.columns.assign(1, span - 1);
            w.top = edges[span - 1].top;
            w.bottom = edges[span - 1].bottom;
            w.column = span - 1;
            return std::isfinite(w.top) && std::isfinite(w.bottom);
        }
    }
    w.columns.clear();
    for (int i = 0; i < span;) {
        if (!inWidest(i)) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < span && inWidest(j + 1))
            ++j;
        int from = i, to = j;
        if (to - from + 1 > 4 * kBlurMargin) {
            from += kBlurMargin;
            if (to < span - 1) // the last column of the span has no neighbour mixed in
                to -= kBlurMargin;
        }
        for (int c = from; c <= to; ++c)
            if (edges[c].clean)
                w.columns.push_back(c);
        i = j + 1;
    }
    if (w.columns.empty()) { // every column of the widest part holds dirt
        for (int i = 0; i < span; ++i)
            if (inWidest(i))
                w.columns.push_back(i);
    }
    if (w.columns.empty())
        return false;
    const std::size_t n = w.columns.size();
    std::vector<double> tops(n), bottoms(n);
    for (std::size_t k = 0; k < n; ++k) {
        tops[k] = edges[w.columns[k]].top;
        bottoms[k] = edges[w.columns[k]].bottom;
    }
    std::vector<char> keepTop(n, 1), keepBottom(n, 1);
    w.top = RobustMean(tops, keepTop, tops);
    w.bottom = RobustMean(bottoms, keepBottom, bottoms);
    double column = 0;
    int kept = 0;
    for (std::size_t k = 0; k < n; ++k)
        if (keepTop[k] || keepBottom[k]) {
            column += w.columns[k];
            ++kept;
        }
    w.column = kept ? column / kept : w.columns[n / 2];
    return std::isfinite(w.top) && std::isfinite(w.bottom);
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
