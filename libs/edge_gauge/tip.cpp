// The tip.  Over every row across the drill's point, the darkness summed
// from the back light left of the tip into the body is the covered length
// of the row: the blur along the row keeps the sum, the blur across the rows
// mixes neighbouring rows.  A symmetric cone with its point t on the body's
// axis and length L gives, row by row, a sum linear in t and L once the blur
// across the rows is known; least squares over the rows gives both, and a
// second fit leaves out the rows that disagree (dust beside the point).  The
// back light of each row is measured left of its window and averaged over
// the neighbouring rows; along the row it follows the back light's change
// from column to column.  The blur is measured on the body's edges next to
// the tip: their averaged profile against that of a Gaussian sampled at
// whole pixels.
#include "libs/edge_gauge/gauge_parts.h"

#include <algorithm>
#include <cmath>

namespace edge_gauge::parts {

namespace {

constexpr double kRowOutlier = 4.0;       // robust sigmas of a tip row's misfit
constexpr double kLeastRowOutlier = 0.25; // pixels: a row this close always counts
constexpr int kTipBackLightLeast = 3;     // pixels of back light that measure a row's

// The blur, from averaged edge profiles across the body's edges.  The
// profile of an edge whose covered part of its row n is g (dark below):
// d(n + i) = K(i - 1) + g k(i), k the kernel, K its running sum.
class BlurFit {
  public:
    static constexpr int kFrom = -kEdgeOut + 1, kTo = kEdgeIn + 1;
    static constexpr int kRows = kTo - kFrom + 1;
    static constexpr int kBins = 8;
    static constexpr int kMinProfiles = 4;

    // Adds the profile of an edge at row e, whose silhouette lies on the side
    // `down` (+1: below, -1: above), reaching at most `depth` rows into it,
    // against the back light `light` next to it.
    void Add(const Picture& p, int x, double e, int down, int depth, const Light& light,
             double silhouette) {
        const double m = down * e; // in mirrored rows for an edge with dark above
        const int n = static_cast<int>(std::floor(m + 0.5));
        const double g = std::clamp(n + 0.5 - m, 0.0, 1.0);
        const int to = std::min(kTo, depth);
        if (to < kEdgeIn - 1)
            return; // a thin silhouette: the other edge lies within the profile
        const int yA = down * (n + kFrom), yB = down * (n + to);
        if (std::min(yA, yB) < 0 || std::max(yA, yB) >= p.height)
            return;
        Bin& b = bins_[std::min(kBins - 1, static_cast<int>(g * kBins))];
        if (b.count > 0 && b.to != to)
            return; // one depth per bin
        b.to = to;
        ++b.count;
        b.g += g;
        for (int i = kFrom; i <= to; ++i) {
            const int y = down * (n + i);
            const double l = light.At(y);
            b.sum[i - kFrom] += (l - p.At(x, y)) / (l - silhouette);
        }
    }

    bool Empty() const {
        int used = 0;
        for (const Bin& b : bins_)
            used += b.count;
        return used < kMinProfiles;
    }

    double Sigma() const {
        if (Empty())
            return kDefaultBlur;
        // Golden section over sigma.
        double lo = 0.3, hi = 3.0;
        const double r = 0.5 * (std::sqrt(5.0) - 1.0);
        double a = hi - r * (hi - lo), c = lo + r * (hi - lo);
        double fa = Misfit(a), fc = Misfit(c);
        for (int i = 0; i < 20; ++i) {
            if (fa < fc) {
                hi = c;
                c = a;
                fc = fa;
                a = hi - r * (hi - lo);
                fa = Misfit(a);
            } else {
                lo = a;
                a = c;
                fa = fc;
                c = lo + r * (hi - lo);
                fc = Misfit(c);
            }
        }
        return 0.5 * (lo + hi);
    }

  private:
    struct Bin {
        int count = 0;
        int to = 0;
        double g = 0;
        std::array<double, kRows> sum{};
    };

    double Misfit(double sigma) const {
        const Kernel k(sigma);
        double misfit = 0;
        for (const Bin& b : bins_) {
            if (b.count == 0)
                continue;
            const double g = b.g / b.count;
            for (int i = kFrom; i <= b.to; ++i) {
                const double seen = b.sum[i - kFrom] / b.count;
                const double model = k.Below(i - 1) + g * k.At(i);
                misfit += b.count * (seen - model) * (seen - model);
            }
        }
        return misfit;
    }

    std::array<Bin, kBins> bins_{};
};

// The covered part of rows y - 0.5 ... y + 0.5 by the band a - r ... a + r
// (p), and the integral of |v - a| / r over it (q).
void RowCover(double y, double a, double r, double& p, double& q) {
    const double u0 = std::max(y - 0.5, a - r) - a, u1 = std::min(y + 0.5, a + r) - a;
    if (!(u1 > u0)) {
        p = q = 0;
        return;
    }
    p = u1 - u0;
    double integral;
    if (u0 >= 0)
        integral = 0.5 * (u1 * u1 - u0 * u0);
    else if (u1 <= 0)
        integral = 0.5 * (u0 * u0 - u1 * u1);
    else
        integral = 0.5 * (u0 * u0 + u1 * u1);
    q = integral / r;
}

// One row across the tip: its model terms and what it showed.
struct TipRow {
    double P = 0, Q = 0, z = 0;
    bool used = false;
};

// Least squares of z = t P + L Q over the used rows.
bool SolveTip(const std::vector<TipRow>& rows, double& t, double& length) {
    double spp = 0, spq = 0, sqq = 0, szp = 0, szq = 0;
    int used = 0;
    for (const TipRow& r : rows) {
        if (!r.used)
            continue;
        spp += r.P * r.P;
        spq += r.P * r.Q;
        sqq += r.Q * r.Q;
        szp += r.z * r.P;
        szq += r.z * r.Q;
        ++used;
    }
    if (used == 0 || !(spp > 0))
        return false;
    const double det = spp * sqq - spq * spq;
    length = det > 1e-12 * spp * sqq ? (spp * szq - spq * szp) / det : 0.0;
    if (!(length > 0)) {
        length = 0;
        t = szp / spp;
    } else {
        t = (szp - spq * length) / spp;
    }
    return std::isfinite(t) && std::isfinite(length);
}

} // namespace

Kernel::Kernel(double sigma) {
    radius = std::max(1, static_cast<int>(std::ceil(4.0 * sigma)));
    weight.resize(2 * radius + 1);
    double sum = 0;
    for (int j = -radius; j <= radius; ++j)
        sum += weight[j + radius] = std::exp(-0.5 * j * j / (sigma * sigma));
    double run = 0;
    cumulative.resize(weight.size());
    for (std::size_t i = 0; i < weight.size(); ++i) {
        weight[i] /= sum;
        run += weight[i];
        cumulative[i] = run;
    }
}

double BlurOfColumns(const Picture& p, const Levels& lv, int x0, const std::vector<Edges>& edges,
                     const std::vector<int>& which, double fallback) {
    BlurFit blur;
    for (const int i : which) {
        const Edges& e = edges[i];
        if (!e.measured || !e.clean)
            continue;
        const int depth = static_cast<int>(std::floor(0.5 * (e.bottom - e.top)));
        blur.Add(p, x0 + i, e.top, +1, depth, e.above, lv.silhouette);
        blur.Add(p, x0 + i, e.bottom, -1, depth, e.below, lv.silhouette);
    }
    return blur.Empty() ? fallback : blur.Sigma();
}

double MeasureBlur(const Picture& p, const Levels& lv, const Trace& t,
                   const std::vector<Edges>& edges, Body& body, const Widest& w, double fallback) {
    int from = body.first + kBlurMargin + 1, to = body.last - kBlurMargin;
    to = std::min(to, from + kBodyColumns - 1);
    if (to < from) {
        from = body.first;
        to = body.last;
    }
    double top = 0, bottom = 0;
    for (int x = from; x <= to; ++x) {
        top += edges[x - t.tip].top;
        bottom += edges[x - t.tip].bottom;
    }
    body.top = top / (to - from + 1);
    body.bottom = bottom / (to - from + 1);
    if (!std::isfinite(body.top) || !std::isfinite(body.bottom))
        return fallback;

    // The blur from the body's edges, or from the widest part's when the
    // body is too thin for an edge profile of its own.
    BlurFit blur;
    const int depth = static_cast<int>(std::floor(0.5 * (body.bottom - body.top)));
    for (int x = from; x <= to; ++x) {
        const Edges& e = edges[x - t.tip];
        if (!e.clean)
            continue;
        blur.Add(p, x, e.top, +1, depth, e.above, lv.silhouette);
        blur.Add(p, x, e.bottom, -1, depth, e.below, lv.silhouette);
    }
    if (blur.Empty()) {
        const int n = static_cast<int>(w.columns.size());
        const int step = std::max(1, n / kBodyColumns);
        const int deep = static_cast<int>(std::floor(0.5 * (w.bottom - w.top)));
        for (int i = 0; i < n; i += step) {
            const int c = w.columns[i];
            const Edges& e = edges[c];
            blur.Add(p, t.tip + c, e.top, +1, deep, e.above, lv.silhouette);
            blur.Add(p, t.tip + c, e.bottom, -1, deep, e.below, lv.silhouette);
        }
    }
    return !blur.Empty() ? blur.Sigma() : fallback;
}

bool FitTip(const Picture& p, const Levels& lv, const Trace& tr, const Body& body, double sigma,
            double& t, double& length) {
    const double a = 0.5 * (body.top + body.bottom), r = 0.5 * (body.bottom - body.top);
    if (!(r > 0))
        return false;
    const Kernel k(sigma);
    const int rowFrom = std::max(0, static_cast<int>(std::floor(body.top)) - kEdgeOut);
    const int rowTo = std::min(p.height - 1, static_cast<int>(std::ceil(body.bottom)) + kEdgeOut);
    const int rows = rowTo - rowFrom + 1;
    if (rows < 1)
        return false;
    const int tipColumn = tr.tip, spanLast = tr.last;
    // Where each row turns dark first; the body's first column when it does not.
    const int searchFrom = std::max(tipColumn - 1, 0);
    const int searchTo = std::min(body.first + 2, spanLast);
    std::vector<int> crossing(rows);
    for (int i = 0; i < rows; ++i) {
        int x = searchFrom;
        while (x <= searchTo && !lv.Dark(p, x, rowFrom + i))
            ++x;
        crossing[i] = x <= searchTo ? x : -1;
    }
    const int rightLimit = std::min(body.last - kBlurMargin, spanLast);
    // Each row's window and the back light left of it.
    std::vector<int> lo(rows), hi(rows);
    std::vector<double> light(rows, 0.0);
    std::vector<char> lit(rows, 0);
    for (int i = 0; i < rows; ++i) {
        int l = tipColumn, h = -1;
        bool any = false;
        for (int j = std::max(0, i - kRowReach); j <= std::min(rows - 1, i + kRowReach); ++j) {
            const int c = crossing[j];
            if (c >= 0) {
                l = any ? std::min(l, c) : c;
                any = true;
            }
            h = std::max(h, c >= 0 ? c : body.first);
        }
        lo[i] = std::max(l - kRowMargin, 0);
        hi[i] = std::min(h + kRowMargin, rightLimit);
        const uint8_t* row = p.Row(rowFrom + i);
        const int from = std::max(lo[i] - kTipBackLight, 0), to = lo[i] - 1;
        double sum = 0; // of the row's back light above the columns' back light
        bool clean = to - from + 1 >= kTipBackLightLeast;
        for (int x = from; clean && x <= to; ++x) {
            clean = row[x] >= lv.dirtBelow[x];
            sum += row[x] - lv.light[x];
        }
        if (clean) {
            light[i] = sum / (to - from + 1);
            lit[i] = 1;
        }
    }
    // Model terms over the rows, before the blur across the rows.
    const int from = rowFrom - k.radius, to = rowTo + k.radius;
    std::vector<double> pc(to - from + 1), qc(to - from + 1);
    for (int y = from; y <= to; ++y)
        RowCover(y, a, r, pc[y - from], qc[y - from]);
    // The back light along a row is the columns' back light (which follows
    // a gradient and the fall-off towards the corners, curved as it is)
    // plus the row's own offset, measured left of its window.  With
    // g = 1 / (column's back light - silhouette) and e = offset * g, each
    // pixel's darkness is 1 - (v - silhouette) g / (1 + e), summed to second
    // order in e from the sums of v g, v g^2 and v g^3 and the running sums
    // of g, g^2 and g^3.
    const int first = *std::min_element(lo.begin(), lo.end());
    const int last = std::max(first, *std::max_element(hi.begin(), hi.end()));
    const int columns = last - first + 1;
    std::vector<double> g1(columns), g2(columns), g3(columns);
    std::vector<double> G1(columns + 1, 0.0), G2(columns + 1, 0.0), G3(columns + 1, 0.0);
    for (int c = 0; c < columns; ++c) {
        g1[c] = 1.0 / (lv.light[first + c] - lv.silhouette);
        g2[c] = g1[c] * g1[c];
        g3[c] = g2[c] * g1[c];
        G1[c + 1] = G1[c] + g1[c];
        G2[c + 1] = G2[c] + g2[c];
        G3[c + 1] = G3[c] + g3[c];
    }
    std::vector<TipRow> fit(rows);
    for (int i = 0; i < rows; ++i) {
        const int y = rowFrom + i;
        if (hi[i] <= lo[i])
            continue;
        // The row's offset, from this row and its neighbours.
        double sum = 0;
        int n = 0;
        for (int j = std::max(0, i - kTipRowReach); j <= std::min(rows - 1, i + kTipRowReach); ++j)
            if (lit[j]) {
                sum += light[j];
                ++n;
            }
        const double offset = n ? sum / n : 0.0;
        const uint8_t* row = p.Row(y);
        double s1 = 0, s2 = 0, s3 = 0;
        for (int x = lo[i]; x <= hi[i]; ++x) {
            const double v = row[x];
            s1 += v * g1[x - first];
            s2 += v * g2[x - first];
            s3 += v * g3[x - first];
        }
        const int a0 = lo[i] - first, a1 = hi[i] - first + 1;
        const double sil = lv.silhouette;
        const double seen = (a1 - a0) - (s1 - sil * (G1[a1] - G1[a0])) +
                            offset * (s2 - sil * (G2[a1] - G2[a0])) -
                            offset * offset * (s3 - sil * (G3[a1] - G3[a0]));
        TipRow& f = fit[i];
        for (int j = -k.radius; j <= k.radius; ++j) {
            const double w = k.At(j);
            f.P += w * pc[y - j - from];
            f.Q += w * qc[y - j - from];
        }
        f.z = (hi[i] + 0.5) * f.P - seen; // = t P + L Q
        f.used = true;
    }
    if (!SolveTip(fit, t, length))
        return false;
    // Again without the rows that disagree with the first fit.
    std::vector<double> misfit;
    for (const TipRow& f : fit)
        if (f.used)
            misfit.push_back(std::fabs(f.z - t * f.P - length * f.Q));
    if (misfit.size() < 4)
        return true;
    std::vector<double> sorted = misfit;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double limit =
        std::max(kRowOutlier * 1.4826 * sorted[sorted.size() / 2], kLeastRowOutlier);
    bool dropped = false;
    std::size_t m = 0;
    for (TipRow& f : fit)
        if (f.used && misfit[m++] > limit) {
            f.used = false;
            dropped = true;
        }
    if (!dropped)
        return true;
    double t2 = t, l2 = length;
    if (SolveTip(fit, t2, l2)) {
        t = t2;
        length = l2;
    }
    return true;
}

} // namespace edge_gauge::parts
