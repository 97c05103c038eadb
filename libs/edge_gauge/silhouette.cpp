// The edge gauge's measurement (see silhouette.h).
//
// 1. Grey levels.  Sixteen whole columns, spread over the picture, give a
//    histogram (a column white from top to bottom is a cut and does not
//    count); Otsu's split separates back light from silhouette.  The levels
//    are the means of the pixels deep inside runs of either kind (four
//    pixels or more from where the run changes), so that the blurred edges
//    do not pull them; the threshold lies half-way between.
// 2. The silhouette.  The leftmost sampled column that holds dark pixels,
//    then column by column to the left, gives the leftmost dark column.
//    From there the top and bottom edges are followed to the right, one
//    column at a time (each edge moves on from the row it held in the column
//    before), until a column holds no dark pixel of the silhouette.
// 3. Sub-pixel edges.  In every column of the span, across each edge, the
//    darkness (background - value) / (background - silhouette) summed over
//    a window from the back light into the silhouette is the covered length
//    of the window: the blur moves grey from one side of the edge to the
//    other but keeps the sum, and zero-mean noise averages out.
// 4. The widest part: the columns whose extent (bottom - top) lies within
//    0.35 pixel of the largest extent (the largest least-of-three-neighbours,
//    so that dirt on a column or two cannot set it); their edges are
//    averaged, less four columns at the ends of each stretch, where the blur
//    mixes in the neighbouring columns.
// 5. A silhouette without a dark core (thinner than about nine pixels, with
//    no thicker part in the sampled columns) shows no pixel at the
//    silhouette's level.  Its contrast and blur are then fitted to the
//    averaged profile across the widest part, and the edges measured again.
// 6. The tip.  Over every row across the drill's point, the darkness summed
//    from the back light left of the tip into the body is the covered length
//    of the row: the blur along the row keeps the sum, the blur across the
//    rows mixes neighbouring rows.  A symmetric cone with its point t on the
//    body's axis and length L gives, row by row, a sum linear in t and L once
//    the blur across the rows is known; least squares over the rows gives
//    both.  The blur is measured on the body's edges next to the tip: their
//    averaged profile against that of a Gaussian sampled at whole pixels,
//    the optics' blur as the simulated camera renders it.
#include "libs/edge_gauge/silhouette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <vector>

namespace edge_gauge {

namespace {

constexpr int kSampleColumns = 16;  // whole columns read for the grey levels
constexpr int kRunMargin = 4;       // pixels from a run's ends that count as deep inside
constexpr int kEdgeOut = 6;         // window rows on the back light's side of an edge
constexpr int kEdgeIn = 5;          // window rows on the silhouette's side of an edge
constexpr double kMinContrast = 16; // grey levels between back light and silhouette
constexpr double kContrastToNoise = 8;
constexpr double kWidestTolerance = 0.35; // pixels of extent below the largest
constexpr int kBlurMargin = 4;            // columns next to a change of extent left out
constexpr int kFlatColumns = 6;           // columns that make the body's first stretch
constexpr double kFlatTolerance = 0.6;    // pixels of extent within the body's stretch
constexpr int kBodyColumns = 128;         // columns of the body averaged next to the tip
constexpr int kRowMargin = 7;             // columns beyond the cone's edge in the tip's rows
constexpr int kRowReach = 5;              // rows whose cone edge bounds a row's window
constexpr double kDefaultBlur = 1.0;
constexpr int kCutColumns = 2;   // width of the station's white cut
constexpr int kThinColumns = 64; // columns of the widest part averaged for its profile

// The picture, read only: callers keep 0 <= x < width, 0 <= y < height.
class Picture {
  public:
    Picture(const uint8_t* pixels, int width, int height)
        : width(width), height(height), pixels_(pixels) {}
    int At(int x, int y) const {
        return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x];
    }
    const uint8_t* Row(int y) const {
        return pixels_ + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }

    const int width;
    const int height;

  private:
    const uint8_t* pixels_;
};

struct Levels {
    double background = 0;
    double silhouette = 0;
    double threshold = 0;
    double noise = 0;
    int dark = 0;          // pixel values below this are dark
    bool darkCore = false; // the silhouette level was seen deep inside the silhouette
    // Darkness of a sum of n pixel values: covered length in pixels.
    double Darkness(double sum, int n) const {
        return (n * background - sum) / (background - silhouette);
    }
};

// The sampled columns: where they lie and what they hold.
struct Samples {
    std::vector<int> columns;
    std::vector<uint8_t> values; // column after column, height values each
    std::vector<int> darkFirst;  // per sampled column: first and last dark row (-1: none)
    std::vector<int> darkLast;
};

int Median(const std::array<uint32_t, 256>& h, int lo, int hi, uint64_t count) {
    uint64_t run = 0;
    for (int i = lo; i <= hi; ++i) {
        run += h[i];
        if (2 * run >= count)
            return i;
    }
    return hi;
}

// Median absolute deviation from m within lo ... hi.
int Mad(const std::array<uint32_t, 256>& h, int lo, int hi, int m, uint64_t count) {
    uint64_t run = h[m];
    for (int d = 0;; ++d) {
        if (2 * run >= count)
            return d;
        if (m - d - 1 < lo && m + d + 1 > hi)
            return d;
        if (m - d - 1 >= lo)
            run += h[m - d - 1];
        if (m + d + 1 <= hi)
            run += h[m + d + 1];
    }
}

bool FindLevels(const Picture& p, Samples& s, Levels& out) {
    const int n = std::min(p.width, kSampleColumns);
    s.columns.resize(n);
    s.values.resize(static_cast<std::size_t>(n) * p.height);
    for (int k = 0; k < n; ++k)
        s.columns[k] = static_cast<int>((2LL * k + 1) * p.width / (2LL * n));
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* row = p.Row(y);
        for (int k = 0; k < n; ++k)
            s.values[static_cast<std::size_t>(k) * p.height + y] = row[s.columns[k]];
    }
    // A column that is white from top to bottom is a cut the station drew,
    // not the back light: it does not count.
    std::array<std::array<uint32_t, 256>, 4> quarter{};
    uint64_t total = 0;
    uint32_t cutWhite = 0; // pixels of white columns, taken out again
    for (int k = 0; k < n; ++k) {
        const uint8_t* col = s.values.data() + static_cast<std::size_t>(k) * p.height;
        const uint32_t whiteBefore =
            quarter[0][255] + quarter[1][255] + quarter[2][255] + quarter[3][255];
        // Four histograms in turn: neighbouring pixels often share a value.
        int y = 0;
        for (; y + 4 <= p.height; y += 4) {
            ++quarter[0][col[y]];
            ++quarter[1][col[y + 1]];
            ++quarter[2][col[y + 2]];
            ++quarter[3][col[y + 3]];
        }
        for (; y < p.height; ++y)
            ++quarter[0][col[y]];
        const uint32_t white =
            quarter[0][255] + quarter[1][255] + quarter[2][255] + quarter[3][255] - whiteBefore;
        if (white == static_cast<uint32_t>(p.height)) {
            cutWhite += white;
            continue;
        }
        total += p.height;
    }
    if (total == 0)
        return false;
    std::array<uint32_t, 256> h{};
    for (int i = 0; i < 256; ++i)
        h[i] = quarter[0][i] + quarter[1][i] + quarter[2][i] + quarter[3][i];
    h[255] -= cutWhite;

    // Otsu's split: the threshold that maximises the variance between the classes.
    double sumAll = 0;
    for (int i = 0; i < 256; ++i)
        sumAll += static_cast<double>(i) * h[i];
    double best = -1, w0 = 0, sum0 = 0;
    int split = -1;
    for (int t = 0; t < 255; ++t) {
        w0 += h[t];
        sum0 += static_cast<double>(t) * h[t];
        const double w1 = static_cast<double>(total) - w0;
        if (w0 == 0 || w1 == 0)
            continue;
        const double m0 = sum0 / w0, m1 = (sumAll - sum0) / w1;
        const double between = w0 * w1 * (m0 - m1) * (m0 - m1);
        if (between > best) {
            best = between;
            split = t;
        }
    }
    if (split < 0)
        return false; // one grey level only
    uint64_t darkCount = 0;
    for (int i = 0; i <= split; ++i)
        darkCount += h[i];
    const uint64_t brightCount = total - darkCount;
    const int darkMedian = Median(h, 0, split, darkCount);
    const int brightMedian = Median(h, split + 1, 255, brightCount);
    const double darkNoise = 1.4826 * Mad(h, 0, split, darkMedian, darkCount);
    const double brightNoise = 1.4826 * Mad(h, split + 1, 255, brightMedian, brightCount);
    const double noise = std::min(darkNoise, brightNoise);
    const double contrast = brightMedian - darkMedian;
    if (contrast < kMinContrast || contrast < kContrastToNoise * noise)
        return false;

    // The levels deep inside runs of dark and of bright pixels.
    const int mid = (brightMedian + darkMedian + 1) / 2; // below: dark
    const int reach = static_cast<int>(std::ceil(std::max(4.0, 6.0 * std::max(noise, 0.5))));
    uint64_t sums[2] = {0, 0};
    uint64_t counts[2] = {0, 0};
    uint64_t squares = 0; // of the deep bright pixels
    s.darkFirst.assign(n, -1);
    s.darkLast.assign(n, -1);
    const int window = 2 * kRunMargin + 1;
    std::vector<int> darkBefore(p.height + 1); // dark pixels above each row
    for (int k = 0; k < n; ++k) {
        const uint8_t* col = s.values.data() + static_cast<std::size_t>(k) * p.height;
        for (int y = 0; y < p.height; ++y)
            darkBefore[y + 1] = darkBefore[y] + (col[y] < mid);
        if (darkBefore[p.height] > 0) {
            int first = 0, lastDark = p.height - 1;
            while (col[first] >= mid)
                ++first;
            while (col[lastDark] >= mid)
                --lastDark;
            s.darkFirst[k] = first;
            s.darkLast[k] = lastDark;
        }
        uint32_t sum0 = 0, count0 = 0, sum1 = 0, count1 = 0;
        uint64_t squares1 = 0;
        for (int y = kRunMargin; y + kRunMargin < p.height; ++y) {
            // Dark pixels among the nine rows y - 4 ... y + 4: all or none.
            const int darkNear = darkBefore[y + kRunMargin + 1] - darkBefore[y - kRunMargin];
            const int v = col[y];
            const bool deepDark =
                darkNear == window && v >= darkMedian - reach && v <= darkMedian + reach;
            const bool deepBright =
                darkNear == 0 && v >= brightMedian - reach && v <= brightMedian + reach;
            sum0 += deepDark ? v : 0;
            count0 += deepDark;
            sum1 += deepBright ? v : 0;
            squares1 += deepBright ? v * v : 0;
            count1 += deepBright;
        }
        sums[0] += sum0;
        counts[0] += count0;
        sums[1] += sum1;
        squares += squares1;
        counts[1] += count1;
    }
    out.background = counts[1] >= 8 ? static_cast<double>(sums[1]) / counts[1] : brightMedian;
    out.darkCore = counts[0] >= 8;
    out.silhouette = out.darkCore ? static_cast<double>(sums[0]) / counts[0] : darkMedian;
    if (counts[1] >= 8) {
        const double mean = static_cast<double>(sums[1]) / counts[1];
        out.noise =
            std::sqrt(std::max(0.0, static_cast<double>(squares) / counts[1] - mean * mean));
    } else {
        out.noise = brightNoise;
    }
    if (out.background - out.silhouette < kMinContrast)
        return false;
    out.threshold = 0.5 * (out.background + out.silhouette);
    out.dark = static_cast<int>(std::ceil(out.threshold));
    return true;
}

// The coarse outline of the silhouette in one column: its first and last dark rows.
struct Outline {
    int top, bottom;
};

// The leftmost dark column, and its dark rows; false when there is none.
bool FindTipColumn(const Picture& p, const Samples& s, const Levels& lv, int& column,
                   Outline& rows) {
    const int n = static_cast<int>(s.columns.size());
    for (int k = 0; k < n; ++k) {
        if (s.darkFirst[k] < 0)
            continue;
        // Confirm the dark rows of the sampled column with the final threshold.
        int lo = std::max(s.darkFirst[k] - 2, 0), hi = std::min(s.darkLast[k] + 2, p.height - 1);
        int first = -1, last = -1;
        const int x0 = s.columns[k];
        for (int y = lo; y <= hi; ++y)
            if (p.At(x0, y) < lv.dark) {
                if (first < 0)
                    first = y;
                last = y;
            }
        if (first < 0)
            continue;
        column = x0;
        rows = {first, last};
        // Walk left while a column holds dark pixels next to those of the
        // columns before; over a white cut too, which is two columns wide.
        const int stop = k > 0 ? s.columns[k - 1] : -1;
        for (int x = x0 - 1; x > stop && column - x <= kCutColumns + 1; --x) {
            lo = std::max(rows.top - 2, 0);
            hi = std::min(rows.bottom + 2, p.height - 1);
            first = -1;
            for (int y = lo; y <= hi; ++y)
                if (p.At(x, y) < lv.dark) {
                    if (first < 0)
                        first = y;
                    last = y;
                }
            if (first >= 0) {
                column = x;
                rows = {first, last};
            }
        }
        return true;
    }
    return false;
}

// Follows the outline from the tip column to the right; false when the
// silhouette touches the top or the bottom row.
bool FollowOutline(const Picture& p, const Levels& lv, int tip, Outline start,
                   std::vector<Outline>& outline) {
    outline.clear();
    outline.push_back(start);
    if (start.top == 0 || start.bottom == p.height - 1)
        return false;
    auto dark = [&](int x, int y) { return p.At(x, y) < lv.dark; };
    Outline o = start;
    for (int x = tip + 1; x < p.width; ++x) {
        int t = o.top;
        if (dark(x, t)) {
            while (t > 0 && dark(x, t - 1))
                --t;
        } else {
            while (t <= o.bottom && !dark(x, t))
                ++t;
            if (t > o.bottom)
                break; // no dark pixel of the silhouette: the span ends
        }
        int b = o.bottom;
        if (dark(x, b)) {
            while (b < p.height - 1 && dark(x, b + 1))
                ++b;
        } else {
            while (b > t && !dark(x, b))
                --b;
        }
        o = {t, b};
        outline.push_back(o);
        if (t == 0 || b == p.height - 1)
            return false;
    }
    return true;
}

// Sum of the pixel values of column x, rows y0 ... y1 (inside the picture).
int ColumnSum(const Picture& p, int x, int y0, int y1) {
    int sum = 0;
    for (int y = y0; y <= y1; ++y)
        sum += p.At(x, y);
    return sum;
}

struct Edges {
    double top, bottom;
    double Extent() const { return bottom - top; }
};

// The sub-pixel edges of one column from its coarse outline.
Edges ColumnEdges(const Picture& p, const Levels& lv, int x, Outline o) {
    int topFrom = o.top - kEdgeOut, topTo, bottomFrom, bottomTo = o.bottom + kEdgeOut;
    if (o.bottom - o.top >= 2 * kEdgeIn + 1) {
        topTo = o.top + kEdgeIn - 1;
        bottomFrom = o.bottom - kEdgeIn + 1;
    } else { // a thin column: the windows meet half-way
        topTo = (o.top + o.bottom) / 2;
        bottomFrom = topTo + 1;
    }
    topFrom = std::max(topFrom, 0);
    bottomTo = std::min(bottomTo, p.height - 1);
    Edges e;
    e.top = topTo + 0.5 - lv.Darkness(ColumnSum(p, x, topFrom, topTo), topTo - topFrom + 1);
    e.bottom = bottomFrom - 0.5 +
               lv.Darkness(ColumnSum(p, x, bottomFrom, bottomTo), bottomTo - bottomFrom + 1);
    return e;
}

// The discrete Gaussian: sampled at whole pixels out to 4 sigma, summing to 1.
struct Kernel {
    int radius = 0;
    std::vector<double> weight;     // weight[j + radius], j = -radius ... radius
    std::vector<double> cumulative; // sum of the weights up to and including j

    explicit Kernel(double sigma) {
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
    double At(int j) const { return j < -radius || j > radius ? 0.0 : weight[j + radius]; }
    double Below(int j) const { // sum of the weights up to and including j
        return j < -radius ? 0.0 : j >= radius ? 1.0 : cumulative[j + radius];
    }
};

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
    // `down` (+1: below, -1: above), reaching at most `depth` rows into it.
    void Add(const Picture& p, int x, double e, int down, int depth) {
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
        for (int i = kFrom; i <= to; ++i)
            b.sum[i - kFrom] += p.At(x, down * (n + i));
    }

    bool Empty() const {
        int used = 0;
        for (const Bin& b : bins_)
            used += b.count;
        return used < kMinProfiles;
    }

    double Sigma(const Levels& lv) const {
        if (Empty())
            return kDefaultBlur;
        // Golden section over sigma.
        double lo = 0.3, hi = 3.0;
        const double r = 0.5 * (std::sqrt(5.0) - 1.0);
        double a = hi - r * (hi - lo), c = lo + r * (hi - lo);
        double fa = Misfit(a, lv), fc = Misfit(c, lv);
        for (int i = 0; i < 20; ++i) {
            if (fa < fc) {
                hi = c;
                c = a;
                fc = fa;
                a = hi - r * (hi - lo);
                fa = Misfit(a, lv);
            } else {
                lo = a;
                a = c;
                fa = fc;
                c = lo + r * (hi - lo);
                fc = Misfit(c, lv);
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

    double Misfit(double sigma, const Levels& lv) const {
        const Kernel k(sigma);
        double misfit = 0;
        for (const Bin& b : bins_) {
            if (b.count == 0)
                continue;
            const double g = b.g / b.count;
            for (int i = kFrom; i <= b.to; ++i) {
                const double seen = lv.Darkness(b.sum[i - kFrom] / b.count, 1);
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

struct Body {
    int first = -1, last = -1; // the body's first stretch of equal extent, after the cone
    double top = 0, bottom = 0;
};

// The point of the tip's cone, t, and its length L, from the rows across it.
bool FitTip(const Picture& p, const Levels& lv, int tipColumn, int spanLast, const Body& body,
            double sigma, double& t, double& length) {
    const double a = 0.5 * (body.top + body.bottom), r = 0.5 * (body.bottom - body.top);
    if (!(r > 0))
        return false;
    const Kernel k(sigma);
    const int rowFrom = std::max(0, static_cast<int>(std::floor(body.top)) - kEdgeOut);
    const int rowTo = std::min(p.height - 1, static_cast<int>(std::ceil(body.bottom)) + kEdgeOut);
    const int rows = rowTo - rowFrom + 1;
    if (rows < 1)
        return false;
    // Where each row turns dark first; the body's first column when it does not.
    const int searchFrom = std::max(tipColumn - 1, 0);
    const int searchTo = std::min(body.first + 2, spanLast);
    std::vector<int> crossing(rows);
    for (int i = 0; i < rows; ++i) {
        const uint8_t* row = p.Row(rowFrom + i);
        int x = searchFrom;
        while (x <= searchTo && row[x] >= lv.dark)
            ++x;
        crossing[i] = x <= searchTo ? x : -1;
    }
    const int rightLimit = std::min(body.last - kBlurMargin, spanLast);
    // Model terms over the rows, before the blur across the rows.
    const int from = rowFrom - k.radius, to = rowTo + k.radius;
    std::vector<double> pc(to - from + 1), qc(to - from + 1);
    for (int y = from; y <= to; ++y)
        RowCover(y, a, r, pc[y - from], qc[y - from]);
    double spp = 0, spq = 0, sqq = 0, szp = 0, szq = 0;
    int used = 0;
    for (int i = 0; i < rows; ++i) {
        const int y = rowFrom + i;
        int lo = tipColumn, hi = -1;
        bool any = false;
        for (int j = std::max(0, i - kRowReach); j <= std::min(rows - 1, i + kRowReach); ++j) {
            const int c = crossing[j];
            if (c >= 0) {
                lo = any ? std::min(lo, c) : c;
                any = true;
            }
            hi = std::max(hi, c >= 0 ? c : body.first);
        }
        lo = std::max(lo - kRowMargin, 0);
        hi = std::min(hi + kRowMargin, rightLimit);
        if (hi <= lo)
            continue;
        const uint8_t* row = p.Row(y);
        int sum = 0;
        for (int x = lo; x <= hi; ++x)
            sum += row[x];
        const double seen = lv.Darkness(sum, hi - lo + 1);
        double P = 0, Q = 0;
        for (int j = -k.radius; j <= k.radius; ++j) {
            const double w = k.At(j);
            P += w * pc[y - j - from];
            Q += w * qc[y - j - from];
        }
        const double z = (hi + 0.5) * P - seen; // = t P + L Q
        spp += P * P;
        spq += P * Q;
        sqq += Q * Q;
        szp += z * P;
        szq += z * Q;
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

double MedianOf(std::vector<double> v) {
    if (v.empty())
        return 0;
    const std::size_t m = v.size() / 2;
    std::nth_element(v.begin(), v.begin() + m, v.end());
    return v[m];
}

// The widest part of the span: the columns whose extent lies within
// kWidestTolerance of the largest, less the columns next to the ends of each
// stretch of them, and their averaged edges.
struct Widest {
    std::vector<int> columns; // indices into the span
    double top = 0, bottom = 0, column = 0;
};

bool FindWidest(const std::vector<Edges>& edges, const std::vector<double>& extent, Widest& w) {
    const int span = static_cast<int>(extent.size());
    // The least of three neighbours, so that a column or two spoilt by dirt
    // cannot set the largest extent.
    double largest = extent[0];
    for (int i = 0; i < span; ++i) {
        double least = extent[i];
        if (i > 0)
            least = std::min(least, extent[i - 1]);
        if (i + 1 < span)
            least = std::min(least, extent[i + 1]);
        largest = i == 0 ? least : std::max(largest, least);
    }
    auto inWidest = [&](int i) { return std::fabs(extent[i] - largest) <= kWidestTolerance; };
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
            to -= kBlurMargin;
        }
        for (int c = from; c <= to; ++c)
            w.columns.push_back(c);
        i = j + 1;
    }
    // Never empty: the largest least-of-three is the extent of a column.
    if (w.columns.empty())
        return false;
    double top = 0, bottom = 0, column = 0;
    for (int c : w.columns) {
        top += edges[c].top;
        bottom += edges[c].bottom;
        column += c;
    }
    const double n = static_cast<double>(w.columns.size());
    w.top = top / n;
    w.bottom = bottom / n;
    w.column = column / n;
    return true;
}

// For a silhouette without a dark core: the contrast (background minus
// silhouette) and the blur that make the averaged profile across the widest
// part agree best with a band, covered exactly and blurred by the Gaussian
// sampled at whole pixels, whose edges the window sums give for that
// contrast.  Damped Gauss-Newton over the two.
bool FitThinProfile(const Picture& p, const Levels& lv, int tip,
                    const std::vector<Outline>& outline, const Widest& w, double& contrast,
                    double& sigma) {
    int rowFrom = p.height, rowTo = -1;
    for (int c : w.columns) {
        rowFrom = std::min(rowFrom, outline[c].top - kEdgeOut);
        rowTo = std::max(rowTo, outline[c].bottom + kEdgeOut);
    }
    rowFrom = std::max(rowFrom, 0);
    rowTo = std::min(rowTo, p.height - 1);
    const int rows = rowTo - rowFrom + 1;
    if (rows < 3)
        return false;
    std::vector<double> seen(rows, 0.0); // background minus the mean value of each row
    const int n = static_cast<int>(w.columns.size());
    const int step = std::max(1, n / kThinColumns);
    int used = 0;
    for (int i = 0; i < n; i += step, ++used)
        for (int y = rowFrom; y <= rowTo; ++y)
            seen[y - rowFrom] += p.At(tip + w.columns[i], y);
    for (double& v : seen)
        v = lv.background - v / used;
    // The windows of the edges meet at the middle row, as in a thin column.
    const int middle = static_cast<int>(std::floor(0.5 * (w.top + w.bottom)));
    if (middle < rowFrom || middle >= rowTo)
        return false;
    double upper = 0, lower = 0;
    for (int y = rowFrom; y <= rowTo; ++y)
        (y <= middle ? upper : lower) += seen[y - rowFrom];

    std::vector<double> cover, model(rows);
    auto residuals = [&](double s, double c, std::vector<double>& out) {
        const double top = middle + 0.5 - upper / c, bottom = middle + 0.5 + lower / c;
        const Kernel k(s);
        cover.assign(rows + 2 * k.radius, 0.0);
        for (int i = 0; i < static_cast<int>(cover.size()); ++i) {
            const double y = rowFrom - k.radius + i;
            cover[i] = std::max(0.0, std::min(y + 0.5, bottom) - std::max(y - 0.5, top));
        }
        out.resize(rows);
        double sum = 0;
        for (int i = 0; i < rows; ++i) {
            double m = 0;
            for (int j = -k.radius; j <= k.radius; ++j)
                m += k.At(j) * cover[i - j + k.radius];
            out[i] = seen[i] - c * m;
            sum += out[i] * out[i];
        }
        return sum;
    };
    const double c0 = lv.background - lv.silhouette;
    double s = kDefaultBlur, c = c0, damping = 1e-3;
    std::vector<double> r, rs, rc;
    double misfit = residuals(s, c, r);
    for (int iteration = 0; iteration < 30; ++iteration) {
        const double ds = 1e-4, dc = 1e-4 * c;
        residuals(s + ds, c, rs);
        residuals(s, c + dc, rc);
        double a11 = 0, a12 = 0, a22 = 0, g1 = 0, g2 = 0;
        for (int i = 0; i < rows; ++i) {
            const double js = (rs[i] - r[i]) / ds, jc = (rc[i] - r[i]) / dc;
            a11 += js * js;
            a12 += js * jc;
            a22 += jc * jc;
            g1 += js * r[i];
            g2 += jc * r[i];
        }
        bool better = false;
        while (!better && damping < 1e6) {
            const double b11 = a11 * (1 + damping), b22 = a22 * (1 + damping);
            const double det = b11 * b22 - a12 * a12;
            if (!(det > 0))
                break;
            const double stepS = -(b22 * g1 - a12 * g2) / det, stepC = -(b11 * g2 - a12 * g1) / det;
            const double ns = std::clamp(s + stepS, 0.3, 3.0);
            const double nc = std::clamp(c + stepC, 0.5 * c0, 2.0 * c0);
            std::vector<double> nr;
            const double m = residuals(ns, nc, nr);
            if (m < misfit) {
                better = true;
                const bool settled = std::fabs(ns - s) < 1e-5 && std::fabs(nc - c) < 1e-5 * c;
                s = ns;
                c = nc;
                misfit = m;
                r.swap(nr);
                damping = std::max(damping * 0.3, 1e-6);
                if (settled)
                    iteration = 30;
            } else {
                damping *= 10;
            }
        }
        if (!better)
            break;
    }
    sigma = s;
    contrast = c;
    return std::isfinite(contrast) && contrast > 0.5 * c0 && contrast < 2.0 * c0;
}

} // namespace

Finding FindEdges(const uint8_t* image, int width, int height, EdgePoints& points,
                  Findings* findings) {
    if (!image || width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return Finding::NoPicture;
    const Picture p(image, width, height);
    Findings seen;

    Samples samples;
    Levels lv;
    if (!FindLevels(p, samples, lv))
        return Finding::NoSilhouette;
    seen.background = lv.background;
    seen.silhouette = lv.silhouette;
    seen.threshold = lv.threshold;
    seen.noise = lv.noise;

    int tip = -1;
    Outline tipRows{};
    if (!FindTipColumn(p, samples, lv, tip, tipRows))
        return Finding::NoSilhouette;
    seen.firstColumn = tip;
    if (findings)
        *findings = seen;
    if (tip == 0)
        return Finding::TipAtLeftBorder;

    std::vector<Outline> outline;
    if (!FollowOutline(p, lv, tip, tipRows, outline))
        return Finding::TouchesTopOrBottom;
    const int span = static_cast<int>(outline.size());
    const int last = tip + span - 1;
    seen.lastColumn = last;

    std::vector<Edges> edges(span);
    std::vector<double> extent(span);
    auto measure = [&] {
        for (int i = 0; i < span; ++i) {
            edges[i] = ColumnEdges(p, lv, tip + i, outline[i]);
            extent[i] = edges[i].Extent();
        }
    };
    measure();
    Widest widest;
    if (!FindWidest(edges, extent, widest))
        return Finding::NoSilhouette;
    double thinSigma = 0; // the blur, when fitted with the level of a thin silhouette
    if (!lv.darkCore) {
        // No pixel of the silhouette lies deep inside: its level comes from
        // the profile across the widest part, and the edges follow it.
        double contrast = 0, sigma = 0;
        if (FitThinProfile(p, lv, tip, outline, widest, contrast, sigma)) {
            lv.silhouette = lv.background - contrast;
            thinSigma = sigma;
            measure();
            if (!FindWidest(edges, extent, widest))
                return Finding::NoSilhouette;
        }
        seen.silhouette = lv.silhouette;
    }
    seen.widestFirst = tip + widest.columns.front();
    seen.widestLast = tip + widest.columns.back();

    // The body next to the tip: the first stretch of equal extent.
    Body body;
    for (int i = 0; i + kFlatColumns < span; ++i) {
        const auto [mn, mx] =
            std::minmax_element(extent.begin() + i, extent.begin() + i + kFlatColumns + 1);
        if (*mx - *mn <= kFlatTolerance) {
            const double ref = MedianOf(
                std::vector<double>(extent.begin() + i, extent.begin() + i + kFlatColumns + 1));
            int j = i;
            while (j + 1 < span && std::fabs(extent[j + 1] - ref) <= kFlatTolerance)
                ++j;
            body.first = tip + i;
            body.last = tip + j;
            break;
        }
    }
    double tipColumn = tip - 0.5, coneLength = 0, sigma = kDefaultBlur;
    if (body.first >= 0) {
        int from = body.first + kBlurMargin + 1, to = body.last - kBlurMargin;
        to = std::min(to, from + kBodyColumns - 1);
        if (to < from) {
            from = body.first;
            to = body.last;
        }
        double top = 0, bottom = 0;
        for (int x = from; x <= to; ++x) {
            top += edges[x - tip].top;
            bottom += edges[x - tip].bottom;
        }
        body.top = top / (to - from + 1);
        body.bottom = bottom / (to - from + 1);
        seen.bodyTop = body.top;
        seen.bodyBottom = body.bottom;

        // The blur from the body's edges, or from the widest part's when the
        // body is too thin for an edge profile of its own.
        BlurFit blur;
        const int depth = static_cast<int>(std::floor(0.5 * (body.bottom - body.top)));
        for (int x = from; x <= to; ++x) {
            blur.Add(p, x, edges[x - tip].top, +1, depth);
            blur.Add(p, x, edges[x - tip].bottom, -1, depth);
        }
        if (blur.Empty()) {
            const int n = static_cast<int>(widest.columns.size());
            const int step = std::max(1, n / kBodyColumns);
            const int deep = static_cast<int>(std::floor(0.5 * (widest.bottom - widest.top)));
            for (int i = 0; i < n; i += step) {
                const int c = widest.columns[i];
                blur.Add(p, tip + c, edges[c].top, +1, deep);
                blur.Add(p, tip + c, edges[c].bottom, -1, deep);
            }
        }
        sigma = !blur.Empty() ? blur.Sigma(lv) : thinSigma > 0 ? thinSigma : kDefaultBlur;
        double t = 0, length = 0;
        if (FitTip(p, lv, tip, last, body, sigma, t, length) && std::fabs(t - tip) < 4.0 + length) {
            tipColumn = t;
            coneLength = length;
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
