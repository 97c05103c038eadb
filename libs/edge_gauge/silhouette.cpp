// The edge gauge's measurement (see silhouette.h), step by step:
//
// 1. Grey levels (levels.cpp): the back light of every column, the drill's
//    level and the sensor noise, from sixteen sampled columns.
// 2. The silhouette (trace.cpp): followed from the shank at the right border
//    to the tip, across the white columns of a cut; dust is not connected
//    to it.
// 3. Sub-pixel edges (edges.cpp), each against the back light beside it, in
//    the columns that may hold the widest part or serve the tip
//    (columns.cpp), and the widest part (widest.cpp): the stretch of the
//    largest extent, its edges averaged.
// 4. A silhouette without a dark core (thin.cpp): its level and blur from
//    the profile across the widest part, and the edges measured again.
// 5. The blur from the body's edges next to the tip (tip.cpp).
// 6. The span's end at a cut (across_cut.cpp): where the extent still grows
//    or the widest stretch is short, the columns on both sides of the cut
//    measured again, their sloping edges fitted to the blurred step
//    (step_fit.cpp); then two lines meeting at a corner next to the cut,
//    rounded by the blur, or one line through the straight piece of the
//    outline across it (corner.cpp), else lines or averages that grow while
//    they agree.
// 7. The tip (tip.cpp): the cone's point fitted to the darkness of the rows
//    across it.  A span that ends inside the cone has no body: the point is
//    where the cone's extent, extrapolated, reaches zero.
#include "libs/edge_gauge/silhouette.h"

#include "libs/edge_gauge/gauge_parts.h"

#include <cmath>
#include <vector>

namespace edge_gauge {

using namespace parts;

namespace {

constexpr double kTipReach = 4.0; // pixels beyond the cone's length that a fitted point may lie

} // namespace

Finding FindEdges(const uint8_t* image, int width, int height, EdgePoints& points,
                  Findings* findings) {
    if (!image || width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return Finding::NoPicture;
    const Picture p(image, width, height);
    Findings seen;

    Levels lv;
    if (!FindLevels(p, lv))
        return Finding::NoSilhouette;
    seen.background = lv.background;
    seen.silhouette = lv.silhouette;
    seen.threshold = lv.threshold;
    seen.noise = lv.noise;

    Trace trace;
    const TraceResult traced = TraceSilhouette(p, lv, trace);
    if (traced == TraceResult::NoSilhouette)
        return Finding::NoSilhouette;
    const int tip = trace.tip, last = trace.last;
    seen.firstColumn = tip;
    if (findings)
        *findings = seen;
    if (tip == 0)
        return Finding::TipAtLeftBorder;
    if (traced == TraceResult::TouchesTopOrBottom)
        return Finding::TouchesTopOrBottom;
    seen.lastColumn = last;

    std::vector<Edges> edges;
    const double columnNoise = ColumnNoise(lv);
    MeasureLight(p, lv, trace, ColumnsToMeasure(trace, WidestTolerance(columnNoise)), edges);
    MeasureEdges(p, lv, trace, edges);
    Widest widest;
    if (!FindWidest(edges, columnNoise, widest))
        return Finding::NoSilhouette;
    double thinSigma = 0; // the blur, when fitted with the level of a thin silhouette
    if (!lv.darkCore) {
        // No pixel of the silhouette lies deep inside: its level comes from
        // the profile across the widest part, and the edges follow it.
        double level = 0, sigma = 0;
        if (FitThinProfile(p, lv, trace, edges, widest, level, sigma)) {
            lv.silhouette = level;
            thinSigma = sigma;
            MeasureEdges(p, lv, trace, edges);
            if (!FindWidest(edges, ColumnNoise(lv), widest))
                return Finding::NoSilhouette;
        }
        seen.silhouette = lv.silhouette;
    }
    // The blur from the body's edges next to the tip; a corner next to the
    // cut is rounded by it.
    Body body = FindBody(trace, edges);
    double sigma = kDefaultBlur;
    if (body.first >= 0) {
        sigma = MeasureBlur(p, lv, trace, edges, body, widest,
                            thinSigma > 0 ? thinSigma : kDefaultBlur);
        seen.bodyTop = body.top;
        seen.bodyBottom = body.bottom;
    }
    if (widest.growing) {
        if (!FitAcrossCut(p, lv, trace, edges, sigma, body.first >= 0, widest))
            return Finding::NoSilhouette;
    } else {
        ExtendAcrossCut(p, lv, trace, edges, sigma, body.first >= 0, widest);
    }
    seen.widestFirst = tip + widest.columns.front();
    seen.widestLast = tip + widest.columns.back();

    double tipColumn = tip - 0.5, coneLength = 0;
    if (body.first >= 0) {
        double t = 0, length = 0;
        if (FitTip(p, lv, trace, body, sigma, t, length) &&
            std::fabs(t - tip) < kTipReach + length) {
            tipColumn = t;
            coneLength = length;
        }
    } else {
        double t = 0;
        if (ExtrapolateTip(trace, edges, t) && std::fabs(t - tip) < kTipReach) {
            tipColumn = t;
            coneLength = last - t;
        }
    }
    seen.blurSigma = sigma;
    seen.coneLength = coneLength;
    if (findings)
        *findings = seen;
    if (tipColumn < 0.5) // the point lies in the first column or beyond the border
        return Finding::TipAtLeftBorder;
    // A few scattered dark pixels in a picture of a few rows are no drill:
    // their sums can put an edge beyond the picture's rows.
    if (!(widest.top > 0.0 && widest.bottom < p.height - 1.0 && widest.top < widest.bottom))
        return Finding::TouchesTopOrBottom;
    if (!(tipColumn <= last))
        return Finding::NoSilhouette;

    points.x1 = tipColumn;
    points.y1 = widest.top;
    points.x2 = tip + widest.column;
    points.y2 = widest.bottom;
    if (findings)
        *findings = seen;
    return Finding::Found;
}

} // namespace edge_gauge
