// The widest part of the span.  The running median of the extent
// (bottom - top) over 21 columns finds the stretches of the largest extent,
// within a tolerance well above the median's noise, so that no column of a
// stretch of constant diameter is left out or taken in by chance: the
// average over the stretch is free of the bias of picking noisy maxima.
// Columns next to a change of extent are left out (the blur mixes their
// neighbours), and columns whose edges lie far from the stretch's median
// (dust on an edge) are left out of the averages.  A span that ends while
// its extent still grows has its widest column last, its edges from lines.
#include "libs/edge_gauge/gauge_parts.h"

#include <algorithm>
#include <cmath>

namespace edge_gauge::parts {

namespace {

constexpr double kMedianNoise = 0.28;  // noise of the running median, in single-column sigmas
constexpr double kLeastOutlier = 0.05; // pixels: edges this close to the median always count

} // namespace

double MedianOf(std::vector<double>& v) {
    const std::size_t m = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + m, v.end());
    return v[m];
}

namespace {

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

// A least-squares line through the top and the bottom edges of columns,
// each at u columns from the span's last column: its edges at u = 0, the
// change of its extent per column, and the noise of both in units of a
// single column's extent noise (slopeSd 0: no slope to compare).
struct TailLine {
    double top = 0, bottom = 0, slope = 0;
    double sd = 0, slopeSd = 0;
};
class LineSums {
  public:
    void Add(const Edges& e, double u) {
        if (!e.measured || !e.clean)
            return;
        s0_ += 1;
        s1_ += u;
        s2_ += u * u;
        t0_ += e.top;
        t1_ += u * e.top;
        b0_ += e.bottom;
        b1_ += u * e.bottom;
    }
    // False with fewer than two columns.
    bool Line(TailLine& line) const {
        const double det = s0_ * s2_ - s1_ * s1_;
        if (s0_ < 2 || !(det > 0))
            return false;
        // The value at u = 0 (variance s2 / det) and the slope (variance s0 / det).
        line.top = (s2_ * t0_ - s1_ * t1_) / det;
        line.bottom = (s2_ * b0_ - s1_ * b1_) / det;
        line.slope = (s0_ * (b1_ - t1_) - s1_ * (b0_ - t0_)) / det;
        line.sd = std::sqrt(s2_ / det);
        line.slopeSd = std::sqrt(s0_ / det);
        return true;
    }

  private:
    double s0_ = 0, s1_ = 0, s2_ = 0, t0_ = 0, t1_ = 0, b0_ = 0, b1_ = 0;
};

// The sums of the last n columns of the span.
LineSums LastColumns(const std::vector<Edges>& edges, int n) {
    const int span = static_cast<int>(edges.size());
    LineSums sums;
    for (int i = span - n; i < span; ++i)
        sums.Add(edges[i], i - (span - 1));
    return sums;
}

bool Agree(const TailLine& longer, const TailLine& shorter, double noise) {
    const double limit = kTailAgreement * noise;
    if (std::fabs((longer.bottom - longer.top) - (shorter.bottom - shorter.top)) >
        limit * shorter.sd)
        return false;
    return shorter.slopeSd == 0 ||
           std::fabs(longer.slope - shorter.slope) <= limit * shorter.slopeSd;
}

} // namespace

void FitTail(const std::vector<Edges>& edges, const std::vector<Edges>& after, int gap,
             double noise, double& top, double& bottom) {
    // Lepski's rule: longer lines average more noise but may bend with the
    // outline (the corner between cone and body, a speck on an edge); a
    // line is taken while its extent at the last column, and its slope,
    // agree with those of every shorter line (the last column alone the
    // shortest) within kTailAgreement of the shorter one's noise.  The
    // lines grow to the left first, then to the right across the cut.
    const int span = static_cast<int>(edges.size());
    TailLine taken[2 * std::size(kTailLengths) + 1];
    taken[0].top = top = edges[span - 1].top;
    taken[0].bottom = bottom = edges[span - 1].bottom;
    taken[0].sd = 1;
    int count = 1;
    auto take = [&](const LineSums& sums) {
        TailLine line;
        if (!sums.Line(line))
            return true; // too few clean columns yet: longer lines may have them
        for (int k = 0; k < count; ++k)
            if (!Agree(line, taken[k], noise))
                return false;
        taken[count++] = line;
        top = line.top;
        bottom = line.bottom;
        return true;
    };
    int left = 1; // columns of the span in the last line taken
    for (const int n : kTailLengths) {
        if (n > span - kTipRoundColumns)
            break;
        if (!take(LastColumns(edges, n)))
            break;
        left = n;
    }
    const int beyond = static_cast<int>(after.size());
    for (const int length : kTailLengths) {
        if (length > beyond)
            break;
        LineSums sums = LastColumns(edges, left);
        for (int k = 0; k < length; ++k)
            sums.Add(after[k], gap + k);
        if (!take(sums))
            return;
    }
}

double WidestTolerance(double columnNoise) {
    return std::max(kWidestFloor, kWidestNoise * kMedianNoise * columnNoise);
}

bool FindWidest(const std::vector<Edges>& edges, double columnNoise, Widest& w) {
    const int span = static_cast<int>(edges.size());
    w.growing = false;
    w.topCount = w.bottomCount = 0;
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
    // the neck): its last column is the widest, its edges from the lines
    // through the last columns' edges.
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
            FitTail(edges, {}, 0, w.noise, w.top, w.bottom);
            w.column = span - 1;
            w.growing = true;
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
    w.topCount = std::max<int>(1, std::count(keepTop.begin(), keepTop.end(), 1));
    w.bottomCount = std::max<int>(1, std::count(keepBottom.begin(), keepBottom.end(), 1));
    return std::isfinite(w.top) && std::isfinite(w.bottom);
}

} // namespace edge_gauge::parts
