// The span's end at the station's cut, with the columns right of it.  The
// outline most often runs on across the two white columns: where the span's
// last columns carry its widest part, the columns beyond the cut help to
// measure it.
//   - A cut in the cone or the neck, while the extent still grows: the widest
//     column is the last one, its edges from lines through the edges of the
//     last columns (widest.cpp), which may go on across the cut.  The back
//     light next to the last columns is better known from both sides of the
//     cut than from the left alone, so the span's last columns are measured
//     again together with those beyond it, the white columns giving no back
//     light; steep edges get windows wide enough for their transition, and
//     the sloping edges are fitted to the blurred step (step_fit.cpp).  A
//     cut so close to the right border that no columns remain beyond it has
//     the span's own last columns measured again the same way.
//   - A corner of the outline within a few columns of the cut: the last
//     column carries its rounding, which two lines meeting at the corner
//     give (corner.cpp) and neither side's line does.
//   - A short widest stretch (a short body before the cut): the columns
//     beyond the cut join its averages while their extent stays its own.
#include "libs/edge_gauge/gauge_parts.h"

#include <algorithm>
#include <cmath>

namespace edge_gauge::parts {

namespace {

constexpr double kTransitionSigmas = 3.3; // of a blurred edge's transition that a window spans
constexpr int kMostWiden = 10;            // rows added to a window at most
constexpr int kSlopeReach = 2;            // columns either side that give an outline's slope
constexpr double kCornerHint = 2.0;       // noise sigmas that a long stretch's last column stands out
constexpr double kCornerRounding = 3.0;   // columns from a corner that its rounding reaches
constexpr double kOutlineBend = 1.5;      // pixels of coarse extent that show a corner
constexpr double kFlatEdge = 0.25;        // pixels an edge may move over 2 kSlopeReach columns and stay flat

// Rows added to the windows of columns from ... to - 1 of `windows`, whose
// edges slope steeply: a column of a steep edge sees it cross several rows
// within its width and the blur of its neighbours' edges, which spread the
// transition beyond the usual windows (kDefaultBlur pixels of blur).
void WidenSteep(const std::vector<Outline>& windows, int from, int to,
                std::vector<uint8_t>& widen) {
    for (int i = from; i < to; ++i) {
        const int l = std::max(from, i - kSlopeReach), r = std::min(to - 1, i + kSlopeReach);
        if (r == l)
            continue;
        const double slope =
            std::max(std::abs(windows[r].top - windows[l].top),
                     std::abs(windows[r].bottom - windows[l].bottom)) /
            static_cast<double>(r - l);
        const double spread = kDefaultBlur * std::sqrt(1.0 + slope * slope * (1.0 + 1.0 / 12.0));
        const int rows = static_cast<int>(std::ceil(kTransitionSigmas * spread)) - kEdgeOut;
        widen[i] = static_cast<uint8_t>(std::clamp(rows, 0, kMostWiden));
    }
}

struct AcrossCut {
    int gap = 0;               // columns from the span's last one to the first beyond the cut
    int from = 0;              // the span's first column measured again
    std::vector<Edges> last;   // the span's columns from `from` on, measured again
    std::vector<Edges> beyond; // the columns right of the cut
    int lastWiden = 0;         // rows added to the windows of the span's last column
};

// The span's last columns (those that the longest line takes, and those
// whose bands give their back light) and the columns beyond the cut,
// measured as one stretch.
AcrossCut MeasureAcrossCut(const Picture& p, const Levels& lv, const Trace& t) {
    AcrossCut m;
    const int span = static_cast<int>(t.outline.size());
    const int after = static_cast<int>(t.afterOutline.size());
    m.gap = after > 0 ? t.afterCut - t.last : 1; // nothing beyond: the span's own columns
    m.from = std::max(0, span - kTailLongest - kBandReach);
    Trace joined;
    joined.tip = t.tip + m.from;
    joined.last = t.afterCut + after - 1;
    joined.outline.assign(t.outline.begin() + m.from, t.outline.end());
    joined.windows.assign(t.windows.begin() + m.from, t.windows.end());
    for (int c = 1; c < m.gap; ++c) { // the white columns: no edges, no bands
        joined.outline.push_back(t.outline.back());
        joined.windows.push_back(t.windows.back());
    }
    joined.outline.insert(joined.outline.end(), t.afterOutline.begin(), t.afterOutline.end());
    joined.windows.insert(joined.windows.end(), t.afterWindows.begin(), t.afterWindows.end());
    const int joinedSpan = static_cast<int>(joined.outline.size());
    joined.widen.assign(joinedSpan, 0);
    WidenSteep(joined.windows, 0, span - m.from, joined.widen);
    WidenSteep(joined.windows, joinedSpan - after, joinedSpan, joined.widen);
    std::vector<uint8_t> measure(joined.outline.size(), 1);
    std::fill_n(measure.begin() + (span - m.from), m.gap - 1, 0);
    std::vector<Edges> edges;
    MeasureLight(p, lv, joined, measure, edges);
    MeasureEdges(p, lv, joined, edges);
    FitSlopingEdges(p, lv, joined, edges);
    m.lastWiden = joined.widen[span - m.from - 1];
    m.last.assign(edges.begin(), edges.begin() + (span - m.from));
    m.beyond.assign(edges.end() - after, edges.end());
    return m;
}

// The span's edges with its last columns as measured across the cut.
std::vector<Edges> WithLast(const std::vector<Edges>& edges, const AcrossCut& m) {
    std::vector<Edges> joined(edges);
    std::copy(m.last.begin(), m.last.end(), joined.begin() + m.from);
    return joined;
}

// A single column's extent noise at the span's end: wider windows sum
// more of the sensor's noise.
double TailNoise(double noise, const AcrossCut& m) {
    return noise * std::sqrt(1.0 + 2.0 * m.lastWiden / static_cast<double>(kEdgeOut + kEdgeIn));
}

// The blur where no body next to the tip gave it: from the columns beyond
// the cut whose edges keep their rows (the body after a cut in the cone),
// else `sigma`.
double BlurBeyond(const Picture& p, const Levels& lv, const Trace& t, const AcrossCut& m,
                  double sigma) {
    std::vector<int> flat;
    const int beyond = static_cast<int>(m.beyond.size());
    for (int k = kSlopeReach; k + kSlopeReach < beyond; ++k) {
        const Edges &l = m.beyond[k - kSlopeReach], &r = m.beyond[k + kSlopeReach];
        if (std::fabs(r.top - l.top) < kFlatEdge && std::fabs(r.bottom - l.bottom) < kFlatEdge)
            flat.push_back(k);
    }
    return BlurOfColumns(p, lv, t.afterCut, m.beyond, flat, sigma);
}

// Whether the outline right of the cut leaves the widest stretch's extent
// within the columns whose corner would round the span's last one.
bool BendsBeyond(const Trace& t, const Widest& w) {
    const int near = std::min(static_cast<int>(t.afterOutline.size()),
                              static_cast<int>(kCornerRounding) + 1 - (t.afterCut - t.last));
    for (int k = 0; k < near; ++k) {
        const Outline& o = t.afterOutline[k];
        if (std::fabs((o.bottom - o.top + 1) - (w.bottom - w.top)) > kOutlineBend)
            return true;
    }
    return false;
}

// The corner next to the cut, fitted with the blur measured from the body,
// or, where there is none, from the columns beyond the cut: measured only
// when a corner is seen at all.
bool CornerAcrossCut(const Picture& p, const Levels& lv, const Trace& t,
                     const std::vector<Edges>& last, const AcrossCut& m, double noise,
                     double sigma, bool blurKnown, Corner& corner) {
    if (!FitCorner(last, m.beyond, m.gap, noise, sigma, nullptr, corner))
        return false;
    if (!blurKnown) {
        Corner again;
        if (FitCorner(last, m.beyond, m.gap, noise, BlurBeyond(p, lv, t, m, sigma), &corner,
                      again))
            corner = again;
    }
    return true;
}

} // namespace

bool FitAcrossCut(const Picture& p, const Levels& lv, const Trace& t,
                  const std::vector<Edges>& edges, double sigma, bool blurKnown, Widest& w) {
    const AcrossCut m = MeasureAcrossCut(p, lv, t);
    const std::vector<Edges> last = WithLast(edges, m);
    const double noise = TailNoise(w.noise, m);
    Corner corner;
    if (CornerAcrossCut(p, lv, t, last, m, noise, sigma, blurKnown, corner)) {
        w.top = corner.top;
        w.bottom = corner.bottom;
    } else if (!FitPiece(last, m.beyond, m.gap, noise, sigma, w.top, w.bottom)) {
        FitTail(last, m.beyond, m.gap, noise, w.top, w.bottom);
    }
    return std::isfinite(w.top) && std::isfinite(w.bottom);
}

void ExtendAcrossCut(const Picture& p, const Levels& lv, const Trace& t,
                     const std::vector<Edges>& edges, double sigma, bool blurKnown, Widest& w) {
    const int span = static_cast<int>(edges.size());
    if (t.afterOutline.empty() || w.columns.empty() || w.columns.back() != span - 1)
        return;
    const bool few = std::min(w.topCount, w.bottomCount) < kShortWidest;
    // A long stretch's last column that stands out above it may carry the
    // rounding of a corner right after it (the neck's widening).
    const bool risesAtTheEnd =
        edges[span - 1].Extent() - (w.bottom - w.top) > kCornerHint * w.noise;
    if (!few && !risesAtTheEnd && !BendsBeyond(t, w))
        return;
    const AcrossCut m = MeasureAcrossCut(p, lv, t);
    Corner corner;
    if (CornerAcrossCut(p, lv, t, WithLast(edges, m), m, TailNoise(w.noise, m), sigma, blurKnown,
                        corner) &&
        std::fabs(corner.place) <= kCornerRounding) {
        // The stretch's columns before a rising corner, or the rounded ones
        // after it: the larger of their extent and the last column's.
        if (corner.bottom - corner.top > w.bottom - w.top) {
            w.top = corner.top;
            w.bottom = corner.bottom;
            w.column = span - 1;
        }
        return;
    }
    if (!few)
        return;
    // The straight piece of the outline across the cut, if the columns
    // show one; else the averages grow by Lepski's rule.
    if (double top = 0, bottom = 0;
        FitPiece(WithLast(edges, m), m.beyond, m.gap, TailNoise(w.noise, m), sigma, top, bottom)) {
        w.top = top;
        w.bottom = bottom;
        return;
    }
    // Lepski's rule, as for the lines: the averages grow while their extent
    // agrees with that of every shorter one within kTailAgreement of the
    // shorter one's noise (a single column's noise over the root of its
    // columns).  A column whose edge lies far from the stretch's (dirt) is
    // left out.
    const double edgeLimit = std::max(kOutlierSigmas * w.noise / std::sqrt(2.0), 0.05);
    double topSum = w.top * w.topCount, bottomSum = w.bottom * w.bottomCount;
    int topCount = w.topCount, bottomCount = w.bottomCount;
    struct Taken {
        double extent, sd;
    };
    Taken taken[std::size(kTailLengths) + 1];
    taken[0] = {w.bottom - w.top, 1.0 / std::sqrt(std::min(topCount, bottomCount))};
    int count = 1, next = 0;
    const int beyond = static_cast<int>(m.beyond.size());
    for (const int length : kTailLengths) {
        if (length > beyond)
            break;
        for (; next < length; ++next) {
            const Edges& e = m.beyond[next];
            if (!e.measured || !e.clean)
                continue;
            if (std::fabs(e.top - w.top) <= edgeLimit) {
                topSum += e.top;
                ++topCount;
            }
            if (std::fabs(e.bottom - w.bottom) <= edgeLimit) {
                bottomSum += e.bottom;
                ++bottomCount;
            }
        }
        const Taken now{bottomSum / bottomCount - topSum / topCount,
                        1.0 / std::sqrt(std::min(topCount, bottomCount))};
        for (int k = 0; k < count; ++k)
            if (std::fabs(now.extent - taken[k].extent) > kTailAgreement * w.noise * taken[k].sd)
                return;
        taken[count++] = now;
        w.top = topSum / topCount;
        w.bottom = bottomSum / bottomCount;
    }
}

} // namespace edge_gauge::parts
