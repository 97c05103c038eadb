// Which columns of the span get sub-pixel edges.  A span that runs over the
// neck, the shank and the ring holds hundreds of columns whose extent is far
// below the largest; their coarse outline (the first and last dark rows)
// already shows that they cannot be the widest part, and measuring them
// would cost most of the search.  Measured are:
//   - the columns next to the tip: the cone and the first stretch of the
//     body, whose edges give the blur and bound the tip's rows;
//   - every column whose coarse extent comes within a margin of the
//     largest, with the neighbours whose back light and running median
//     they use;
//   - the last columns of the span, where a span cut in the cone or the
//     neck has its widest column.
// The largest coarse extent is one that a dozen columns reach, so that a
// speck sitting on an edge does not raise it.
#include "libs/edge_gauge/gauge_parts.h"

#include <algorithm>
#include <cmath>

namespace edge_gauge::parts {

namespace {

constexpr int kWidestCount = 12; // columns that reach the largest coarse extent
constexpr int kCoarseMargin = 3; // pixels of coarse extent below the largest that are measured
constexpr int kFlatCoarse = 2;   // pixels of coarse extent within the body's first stretch
constexpr int kTipSlack = 16;    // columns measured beyond the body's part next to the tip
constexpr int kNeighbours = std::max(kSmoothReach, kBandReach) + kBlurMargin;

} // namespace

std::vector<uint8_t> ColumnsToMeasure(const Trace& t, double tolerance) {
    const int span = static_cast<int>(t.windows.size());
    std::vector<uint8_t> measure(span, 0);
    std::vector<int> extent(span);
    int largest = 0;
    for (int i = 0; i < span; ++i) {
        extent[i] = std::max(0, t.windows[i].bottom - t.windows[i].top + 1);
        largest = std::max(largest, extent[i]);
    }
    // The largest extent that kWidestCount columns reach (all of them in a
    // shorter span).
    std::vector<int> count(largest + 2, 0);
    for (int e : extent)
        ++count[e];
    int reached = 0, widest = largest;
    for (; widest > 0; --widest) {
        reached += count[widest];
        if (reached >= std::min(kWidestCount, span))
            break;
    }
    const int margin = kCoarseMargin + static_cast<int>(std::ceil(tolerance));
    auto mark = [&](int from, int to) {
        std::fill(measure.begin() + std::max(from, 0), measure.begin() + std::min(to, span - 1) + 1,
                  1);
    };
    for (int i = 0; i < span; ++i)
        if (extent[i] >= widest - margin)
            mark(i - kNeighbours, i + kNeighbours);
    mark(span - kTailColumns - kNeighbours, span - 1);

    // The cone and the body's first stretch: up to the first columns of
    // about equal extent, then the columns whose edges give the blur.
    int flat = -1;
    for (int i = 0; i + kFlatColumns < span && flat < 0; ++i) {
        const auto [lo, hi] =
            std::minmax_element(extent.begin() + i, extent.begin() + i + kFlatColumns + 1);
        if (*hi - *lo <= kFlatCoarse)
            flat = i;
    }
    mark(0, flat < 0 ? span - 1 : flat + kFlatColumns + kBlurMargin + kBodyColumns + kTipSlack);
    return measure;
}

} // namespace edge_gauge::parts
