// The steps of the edge gauge's search (silhouette.cpp runs them in turn):
//
//   levels.cpp      grey levels: the back light column by column, the drill's
//                   level, the sensor noise, the dark threshold of each column;
//   trace.cpp       the silhouette: traced from the right border (the shank)
//                   to the tip, across white cuts and bands;
//   columns.cpp     which columns of the span get sub-pixel edges;
//   edges.cpp       sub-pixel edges against the back light next to each edge;
//   widest.cpp      the widest part of the span;
//   across_cut.cpp  a span's end at the cut, with the columns beyond it;
//   corner.cpp      a corner of the outline next to the cut, or the
//                   straight piece of it across the cut;
//   tip.cpp         the optics' blur and the point of the tip's cone;
//   thin.cpp        the level of a drill too thin to show a dark core.
//
// Internal to the gauge; portable C++.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace edge_gauge::parts {

constexpr int kSampleColumns = 16;  // whole columns read for the grey levels
constexpr int kRunMargin = 4;       // pixels from a run's ends that count as deep inside
constexpr int kEdgeOut = 6;         // window rows on the back light's side of an edge
constexpr int kEdgeIn = 5;          // window rows on the silhouette's side of an edge
constexpr int kBand = 6;            // rows of each back-light band beyond an edge's window
constexpr int kBandReach = 12;      // columns either side whose bands are averaged
constexpr double kMinContrast = 16; // grey levels between back light and silhouette
constexpr double kContrastToNoise = 8;
constexpr int kWhite = 255;          // the grey level of the station's cut and bands
constexpr int kMinDrillColumns = 8;  // dark columns that make a drill, not a speck
constexpr int kMaxStarts = 8;        // places tried where a drill may begin on the right
constexpr int kSmoothReach = 10;     // columns either side of the running median of extents
constexpr int kTailColumns = 9;      // last columns of a span whose extent may still grow
constexpr int kPlaceReach = 2;       // columns either side whose outline places a window
constexpr int kTailLongest = 80;     // columns of the longest line through a span's last edges
constexpr int kAfterCutColumns = kTailLongest; // columns right of a cut kept for those lines
constexpr int kBorderColumns = 2; // columns at the picture's right border kept out of those
// Lengths of the lines and stretches tried, shortest first.
constexpr int kTailLengths[] = {3, 5, 7, 10, 14, 20, 28, 40, 56, kTailLongest};
constexpr int kShortWidest = 40; // columns of a widest stretch that average its noise well enough
constexpr double kTailAgreement = 2.0; // noise sigmas between two estimates of one extent
constexpr double kWidestFloor = 0.2; // pixels: least tolerance of the widest part's extent
constexpr double kWidestNoise = 7.0; // tolerance in running-median noise sigmas
constexpr double kOutlierSigmas = 4.5;
constexpr int kBlurMargin = 4;         // columns next to a change of extent left out
constexpr int kFlatColumns = 6;        // columns that make the body's first stretch
constexpr double kFlatTolerance = 0.6; // pixels of extent within the body's stretch
constexpr int kBodyColumns = 128;      // columns of the body averaged next to the tip
constexpr int kRowMargin = 7;          // columns beyond the cone's edge in the tip's rows
constexpr int kRowReach = 5;           // rows whose cone edge bounds a row's window
constexpr int kTipBackLight = 8;       // columns left of a tip row's window for its back light
constexpr int kTipRowReach = 4;        // rows either side whose back light is averaged
constexpr double kDefaultBlur = 1.0;
constexpr int kTipRoundColumns = 3;       // first columns of a point that the blur rounds
constexpr double kConeCornerMargin = 3.0; // pixels of extent below the widest that are still cone
constexpr int kThinColumns = 64;          // columns of the widest part averaged for its profile

template <typename T> T Median3(T a, T b, T c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}
template <typename T> T Median5(const T* v) {
    return Median3(v[4], std::max(std::min(v[0], v[1]), std::min(v[2], v[3])),
                   std::min(std::max(v[0], v[1]), std::max(v[2], v[3])));
}

// The median of one to five values, v[n / 2] once sorted, without branches.
template <typename T> T SmallMedian(const T* v, int n) {
    switch (n) {
    case 1:
        return v[0];
    case 2:
        return std::max(v[0], v[1]);
    case 3:
        return Median3(v[0], v[1], v[2]);
    case 4:
        return std::max(std::min(std::max(v[0], v[1]), std::max(v[2], v[3])),
                        std::max(std::min(v[0], v[1]), std::min(v[2], v[3])));
    default:
        return Median5(v);
    }
}

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
    double background = 0; // the back light, averaged over the sampled columns
    double silhouette = 0;
    double threshold = 0; // half-way between the averaged back light and the silhouette
    double noise = 0;
    bool darkCore = false;      // the silhouette level was seen deep inside the silhouette
    std::vector<float> light;   // per column: the back light, between the sampled columns
    std::vector<int> darkBelow; // per column: a pixel below this is dark
    std::vector<int> dirtBelow; // per column: a back-light pixel below this is dirt

    double Contrast() const { return background - silhouette; }
    bool Dark(const Picture& p, int x, int y) const { return p.At(x, y) < darkBelow[x]; }
    // Sets the threshold of every column from the back light and the silhouette level.
    void SetThresholds();
};

// False when the picture shows no dark silhouette in front of a bright back light.
bool FindLevels(const Picture& p, Levels& out);

// The coarse outline of the silhouette in one column: its first and last dark rows.
struct Outline {
    int top, bottom;
};

// The silhouette from its tip to the end of its span.
struct Trace {
    int tip = -1;                 // leftmost column with a dark pixel of the silhouette
    int last = -1;                // last column of the span
    std::vector<Outline> outline; // columns tip ... last
    // Where the edge windows lie: the outline's rows, each the median of
    // five neighbouring columns', so that a window is not placed by the
    // noise of the pixels it sums.
    std::vector<Outline> windows;
    // A span that ends at a cut: the silhouette's columns right of the cut's
    // white columns, from `afterCut` on (at most kAfterCutColumns, none that
    // reach the top or bottom row), outline and windows as above.  Empty
    // when the span ends at the right border.
    int afterCut = -1;
    std::vector<Outline> afterOutline, afterWindows;
    // Rows added to both edge windows of each column (empty: none), for
    // edges whose blurred transition reaches beyond the usual windows.
    std::vector<uint8_t> widen;
    int Widen(int i) const { return widen.empty() ? 0 : widen[i]; }
};

enum class TraceResult { Found, NoSilhouette, TouchesTopOrBottom };
TraceResult TraceSilhouette(const Picture& p, const Levels& lv, Trace& t);

// The back light along a window (the rows of a column, or the columns of a
// row): its level at `at` and its change per pixel.
struct Light {
    double level = 0, slope = 0, at = 0;
    double At(double i) const { return level + slope * (i - at); }
};

// Where the edge windows of a column lie: rows topFrom ... topTo across the
// top edge, bottomFrom ... bottomTo across the bottom edge.
struct EdgeWindows {
    int topFrom, topTo, bottomFrom, bottomTo;
};
EdgeWindows WindowsOf(const Outline& o, int height, int widen = 0);

struct Edges {
    double top = 0, bottom = 0; // a column left unmeasured: its coarse outline
    bool measured = true;
    Light above, below; // the back light next to the top and the bottom edge
    bool clean = true;  // no dirt in the back light of the edge windows
    // The pixel sums of the edge windows: values and values times their row.
    int topSum = 0, topMoment = 0, bottomSum = 0, bottomMoment = 0;
    double Extent() const { return bottom - top; }
};

// Which columns of the span get sub-pixel edges (1) and which keep their
// coarse outline (0); tolerance: pixels, that of the widest part's extent.
std::vector<uint8_t> ColumnsToMeasure(const Trace& t, double tolerance);

// The back light next to both edges of every measured column of the span,
// and the pixel sums of the edge windows; the other columns get their
// coarse outline.
void MeasureLight(const Picture& p, const Levels& lv, const Trace& t,
                  const std::vector<uint8_t>& measure, std::vector<Edges>& edges);
// The sub-pixel edges of every measured column, with the back light and the sums already measured.
void MeasureEdges(const Picture& p, const Levels& lv, const Trace& t, std::vector<Edges>& edges);
// The measured edges that slope, fitted to the blurred step from where the
// darkness sums put them, in every column through which the outline runs
// straight.
void FitSlopingEdges(const Picture& p, const Levels& lv, const Trace& t,
                     std::vector<Edges>& edges);

// Darkness of a window: the covered length, in pixels, of rows (or columns)
// from ... from + n - 1 with pixel sum s0 and first moment s1 (sum of index
// times value), against a back light linear along the window.
double WindowDarkness(double s0, double s1, int from, int n, const Light& light, double silhouette);

// The widest part of the span: the columns of its largest extent, less the
// columns next to the ends of each stretch of them, and their edges.
struct Widest {
    std::vector<int> columns; // indices into the span
    double top = 0, bottom = 0, column = 0;
    std::vector<double> smooth; // running median of the extent of every column
    double noise = 0;           // pixels: the extent's noise in a single column
    bool growing = false;       // the span ends while its extent still grows
    int topCount = 0, bottomCount = 0; // columns averaged into top and bottom
};

// The median of v, v[size / 2] once sorted; v is reordered.
double MedianOf(std::vector<double>& v);

// Pixels of extent below the largest running median that still belong to
// the widest part, for a single column's extent noise (pixels).
double WidestTolerance(double columnNoise);

// The edges at the last column of a span that ends while its extent still
// grows, from lines through the edges of as many of its last columns as
// follow one line, and then of as many of the columns right of the cut
// (`after`, its first column `gap` columns right of the last one) as go on
// along that line; noise: pixels, a single column's extent noise.
void FitTail(const std::vector<Edges>& edges, const std::vector<Edges>& after, int gap,
             double noise, double& top, double& bottom);

// columnNoise: pixels, the expected noise of a single column's extent.
bool FindWidest(const std::vector<Edges>& edges, double columnNoise, Widest& w);

// A corner of the outline near the end of a span cut there: where it lies
// and the edges at the span's last column.
struct Corner {
    double place = 0; // columns right of the span's last column
    double top = 0, bottom = 0;
};
// The corner that the span's last columns and the columns right of the cut
// (`after`, its first `gap` columns right of the last one) show within a
// few columns of the cut, both edges fitted with two lines rounded by the
// blur (sigma, pixels) and the column width; false when they show none, or
// more than one corner; noise: pixels, a single column's extent noise;
// start: a corner found before, whose place is refined, or null.
bool FitCorner(const std::vector<Edges>& edges, const std::vector<Edges>& after, int gap,
               double noise, double sigma, const Corner* start, Corner& corner);

// The edges at the span's last column from one line through the straight
// piece of the outline that runs across the cut: the span's last columns
// and those right of the cut (`after`, the first `gap` columns right of the
// last one), less what lies beyond a corner; false when no straight piece
// with columns on its both ends is found.
bool FitPiece(const std::vector<Edges>& edges, const std::vector<Edges>& after, int gap,
              double noise, double sigma, double& top, double& bottom);

// A span cut while its extent still grows: its widest edges at its last
// column, from its last columns and the columns right of the cut, all
// measured again against back-light planes that reach across the cut: two
// lines meeting at a corner next to the cut, else one line through the
// straight piece of the outline, else lines that grow while they agree.
// False when they come out as no numbers.  sigma: the blur, measured when
// blurKnown.
bool FitAcrossCut(const Picture& p, const Levels& lv, const Trace& t,
                  const std::vector<Edges>& edges, double sigma, bool blurKnown, Widest& w);
// A widest stretch that runs into the cut: where a corner next to the cut
// rounds its last column, the larger of the stretch's extent and the
// corner's there; a stretch of fewer than kShortWidest columns otherwise
// takes the straight piece of the outline across the cut, or the columns
// right of the cut join its averages while they keep its extent.
void ExtendAcrossCut(const Picture& p, const Levels& lv, const Trace& t,
                     const std::vector<Edges>& edges, double sigma, bool blurKnown, Widest& w);

// The noise of a single column's extent, from the sensor noise.
double ColumnNoise(const Levels& lv);

// The discrete Gaussian: sampled at whole pixels out to 4 sigma, summing to 1.
struct Kernel {
    int radius = 0;
    std::vector<double> weight;     // weight[j + radius], j = -radius ... radius
    std::vector<double> cumulative; // sum of the weights up to and including j

    explicit Kernel(double sigma);
    double At(int j) const { return j < -radius || j > radius ? 0.0 : weight[j + radius]; }
    double Below(int j) const { // sum of the weights up to and including j
        return j < -radius ? 0.0 : j >= radius ? 1.0 : cumulative[j + radius];
    }
};

struct Body {
    int first = -1, last = -1; // the body's first stretch of equal extent, after the cone
    double top = 0, bottom = 0;
};

// The body next to the tip: the first stretch of equal extent.
Body FindBody(const Trace& t, const std::vector<Edges>& edges);

// The blur from the edges of columns x0 + i, i in `which`, each of them in
// a stretch of constant extent; fallback when they give too few profiles.
double BlurOfColumns(const Picture& p, const Levels& lv, int x0, const std::vector<Edges>& edges,
                     const std::vector<int>& which, double fallback);

// The blur from the body's edges next to the tip, or the widest part's.
double MeasureBlur(const Picture& p, const Levels& lv, const Trace& t,
                   const std::vector<Edges>& edges, Body& body, const Widest& w, double fallback);

// A span that ends within the cone: the point where the cone's extent,
// linear in the column, reaches zero.
bool ExtrapolateTip(const Trace& t, const std::vector<Edges>& edges, double& tip);

// The point of the tip's cone, t, and its length L, from the rows across it.
bool FitTip(const Picture& p, const Levels& lv, const Trace& tr, const Body& body, double sigma,
            double& t, double& length);

// For a silhouette without a dark core: its contrast and the blur, fitted to
// the averaged profile across the widest part.
bool FitThinProfile(const Picture& p, const Levels& lv, const Trace& t,
                    const std::vector<Edges>& edges, const Widest& w, double& silhouette,
                    double& sigma);

} // namespace edge_gauge::parts
