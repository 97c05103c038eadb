// The silhouette.  A drill is a large dark region that reaches the right
// border (its shank runs out of the picture) or a white cut, with its tip at
// its left end; dust specks and dark blobs anywhere else are not connected
// to it and are never looked at.
//
// The search begins in the rightmost column, at its longest dark run (else
// next to a white column further left) and follows the top and bottom edges
// to the left, one column at a time: each edge moves on from the row it held
// in the column before, outwards while the pixel beyond it is dark, inwards
// while it is not.  A column that is white (255, as the station draws its
// cut and its bands) over the rows of the silhouette is crossed, however
// many follow; the drill goes on left of it within the same rows.  The
// search ends at the first column left of the silhouette without a dark
// pixel next to it: that column's right neighbour is the tip column.  The
// span runs from there to the last column before the first white one right
// of the tip, or to the right border.  Beyond a cut, the silhouette's
// columns that follow the white ones are kept too: where the outline runs
// straight on across the cut, they help place the span's last edges.
#include "libs/edge_gauge/gauge_parts.h"

#include <algorithm>

namespace edge_gauge::parts {

namespace {

// Whether column x is white over rows from ... to.
bool Whitened(const Picture& p, int x, int from, int to) {
    for (int y = from; y <= to; ++y)
        if (p.At(x, y) != kWhite)
            return false;
    return true;
}

// Whether the whole column x is white: a cut from top to bottom.
bool WhiteColumn(const Picture& p, int x) {
    if (p.At(x, 0) != kWhite || p.At(x, p.height / 2) != kWhite || p.At(x, p.height - 1) != kWhite)
        return false;
    return Whitened(p, x, 0, p.height - 1);
}

// Grows a dark run outwards while the pixels beyond it are dark.
Outline Grow(const Picture& p, const Levels& lv, int x, Outline o) {
    while (o.top > 0 && lv.Dark(p, x, o.top - 1))
        --o.top;
    while (o.bottom < p.height - 1 && lv.Dark(p, x, o.bottom + 1))
        ++o.bottom;
    return o;
}

// The longest run of dark pixels of column x within rows from ... to, grown
// beyond them; false when there is none.
bool LongestRun(const Picture& p, const Levels& lv, int x, int from, int to, Outline& run) {
    int best = 0;
    for (int y = from; y <= to;) {
        if (!lv.Dark(p, x, y)) {
            ++y;
            continue;
        }
        int end = y;
        while (end + 1 <= to && lv.Dark(p, x, end + 1))
            ++end;
        if (end - y + 1 > best) {
            best = end - y + 1;
            run = {y, end};
        }
        y = end + 1;
    }
    if (best == 0)
        return false;
    run = Grow(p, lv, x, run);
    return true;
}

// The outline in column x from the one in its neighbour; false when no dark
// pixel of column x lies next to it.
bool Step(const Picture& p, const Levels& lv, int x, Outline o, Outline& next) {
    const int from = std::max(o.top - 1, 0), to = std::min(o.bottom + 1, p.height - 1);
    int t = from;
    while (t <= to && !lv.Dark(p, x, t))
        ++t;
    if (t > to)
        return false;
    int b = to;
    while (b > t && !lv.Dark(p, x, b))
        --b;
    next = Grow(p, lv, x, {t, b});
    return true;
}

struct Region {
    int tip = -1, last = -1, darkColumns = 0;
    int afterFirst = -1, afterLast = -1; // the columns right of the last cut crossed
};

// Follows the silhouette from column `start` with outline `o` to the left.
Region Follow(const Picture& p, const Levels& lv, int start, Outline o,
              std::vector<Outline>& columns) {
    Region r;
    r.last = start;
    r.darkColumns = 1;
    columns[start] = o;
    int x = start, runStart = start;
    while (x > 0) {
        Outline next;
        if (Step(p, lv, x - 1, columns[x], next)) {
            columns[--x] = next;
            ++r.darkColumns;
            continue;
        }
        // No dark pixel beside the outline: white columns the station drew,
        // or the back light left of the tip.
        const int from = std::max(columns[x].top - 2, 0);
        const int to = std::min(columns[x].bottom + 2, p.height - 1);
        int w = x - 1;
        while (w >= 0 && Whitened(p, w, from, to))
            --w;
        if (w == x - 1 || w < 0)
            break;
        if (!LongestRun(p, lv, w, from, to, next))
            break;
        columns[w] = next;
        r.last = w;
        r.afterFirst = x;
        r.afterLast = runStart;
        runStart = w;
        ++r.darkColumns;
        x = w;
    }
    r.tip = x;
    return r;
}

// Where the edge windows of each column lie: the median of the outlines of
// the column and its kPlaceReach neighbours either side.
std::vector<Outline> PlaceWindows(const std::vector<Outline>& outline) {
    const int span = static_cast<int>(outline.size());
    std::vector<Outline> windows(span);
    for (int i = 0; i < span; ++i) {
        // Symmetric about the column, so that a sloping outline keeps its rows.
        const int reach = std::min({kPlaceReach, i, span - 1 - i});
        int tops[2 * kPlaceReach + 1], bottoms[2 * kPlaceReach + 1];
        const int n = 2 * reach + 1;
        for (int j = 0; j < n; ++j) {
            tops[j] = outline[i - reach + j].top;
            bottoms[j] = outline[i - reach + j].bottom;
        }
        windows[i] = n == 5 ? Outline{Median5(tops), Median5(bottoms)}
                            : Outline{SmallMedian(tops, n), SmallMedian(bottoms, n)};
        if (windows[i].bottom < windows[i].top)
            windows[i] = outline[i];
    }
    return windows;
}

} // namespace

TraceResult TraceSilhouette(const Picture& p, const Levels& lv, Trace& t) {
    std::vector<Outline> columns(p.width);
    // Where a drill may begin: the right border, then the columns left of a
    // white column.
    int tried = 0;
    for (int x = p.width - 1; x >= 0 && tried < kMaxStarts; --x) {
        if (x < p.width - 1 && !WhiteColumn(p, x + 1))
            continue;
        if (x < p.width - 1 && WhiteColumn(p, x))
            continue;
        Outline run;
        if (!LongestRun(p, lv, x, 0, p.height - 1, run))
            continue;
        ++tried;
        const Region r = Follow(p, lv, x, run, columns);
        if (r.darkColumns < kMinDrillColumns) {
            x = r.tip; // a speck at the border: look further left
            continue;
        }
        t.tip = r.tip;
        t.last = r.last;
        t.outline.assign(columns.begin() + r.tip, columns.begin() + r.last + 1);
        for (const Outline& o : t.outline)
            if (o.top == 0 || o.bottom == p.height - 1)
                return TraceResult::TouchesTopOrBottom;
        t.windows = PlaceWindows(t.outline);
        t.afterCut = -1;
        t.afterOutline.clear();
        if (r.afterFirst > r.last) {
            // The picture's last columns see only part of the blur of what
            // lies beyond the border: no line is drawn through them.
            int end = std::min({r.afterLast, r.afterFirst + kAfterCutColumns - 1,
                                p.width - 1 - kBorderColumns});
            for (int c = r.afterFirst; c <= end; ++c)
                if (columns[c].top == 0 || columns[c].bottom == p.height - 1)
                    end = c - 1;
            if (end >= r.afterFirst) {
                t.afterCut = r.afterFirst;
                t.afterOutline.assign(columns.begin() + r.afterFirst, columns.begin() + end + 1);
            }
        }
        t.afterWindows = PlaceWindows(t.afterOutline);
        return TraceResult::Found;
    }
    return TraceResult::NoSilhouette;
}

} // namespace edge_gauge::parts
