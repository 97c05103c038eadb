// Sloping edges fitted to the blurred step.
//
// The window's darkness sum weighs every row alike, so that a row far out
// in the back light, which says nothing of where the edge lies, adds as
// much noise as a row on the edge.  Fitted by least squares to a step
// blurred by a Gaussian and averaged over the pixel, the rows weigh by how
// much they move with the edge, and the noise of an edge drops by a third
// or more; the lines through the columns on both sides of a cut in the
// cone or the neck rest on these.
//
// The model's transition is the optics' blur seen across the slope, and
// the edge's rows within the column's width; where the true transition is
// wider or narrower, both are symmetric about the edge and the fit stays
// where the edge is.  Not exactly, though: with a blur that mixes whole
// pixels (crosstalk, say) rather than the light before the pixel, the fit
// leans by up to 0.008 pixel towards the nearest pixel boundary or middle,
// by where the edge lies within its pixel.  Along a sloping edge that
// place runs through the pixel every few columns, and a line through the
// columns averages the lean out; along a flat edge every column shares
// it, so flat edges keep the darkness sum, which holds whatever the
// transition.  So does a column where the outline bends (a corner, a
// ring's step), whose transition is lopsided.
//
// One Gauss-Newton step from the darkness sum's edge is the fit: the sum
// is within a few hundredths of a pixel, and the symmetric model leaves no
// second-order term.  The step is taken about the edge rounded to a
// lattice of 1/kSteps pixel, so that every row's model value and weight is
// a table entry.
#include "libs/edge_gauge/gauge_parts.h"

#include <cmath>
#include <numbers>
#include <vector>

namespace edge_gauge::parts {

namespace {

constexpr int kSteps = 64;            // lattice points per pixel
constexpr double kRowSigmas = 3.5;    // transition sigmas either side of an edge whose rows are fitted
constexpr double kLeastExtent = 3.0;  // pixels of extent below which the two edges overlap too much
constexpr double kLargestStep = 0.5;  // pixels that the fit may move an edge
constexpr double kBend = 0.25;        // rows per column of change in slope that mark a bend
constexpr int kBendReach = 3;         // columns either side whose bend the blur mixes in
constexpr double kLeastSlope = 0.1;   // rows per column of an edge that is fitted
// The transition's sigmas tabulated; a column takes the nearest.
constexpr double kWidths[] = {1.0, 1.25, 1.5, 1.75, 2.0, 2.4, 2.8, 3.3, 3.9};

// The step that is dark below the edge, blurred with sigma and averaged
// over a pixel: its cover of the pixel d rows below the edge, and the
// cover's change as d grows, on the lattice out to the rows fitted.
class BlurredStep {
  public:
    explicit BlurredStep(double sigma)
        : rows_(kRowSigmas * sigma), middle_(static_cast<int>(std::ceil(rows_ + 1)) * kSteps),
          cover_(2 * middle_ + 1), weight_(2 * middle_ + 1) {
        // d +- 1/2 lie on the lattice too: Phi and its antiderivative once
        // per lattice point.
        constexpr int kHalf = kSteps / 2;
        const int reach = middle_ + kHalf;
        std::vector<double> phi(2 * reach + 1), g(2 * reach + 1);
        for (int k = 0; k <= 2 * reach; ++k) {
            const double z = static_cast<double>(k - reach) / kSteps / sigma;
            phi[k] = Phi(z);
            g[k] = z * phi[k] +
                   std::exp(-0.5 * z * z) * std::numbers::inv_sqrtpi / std::numbers::sqrt2;
        }
        for (int k = 0; k <= 2 * middle_; ++k) {
            cover_[k] = sigma * (g[k + 2 * kHalf] - g[k]);
            weight_[k] = phi[k + 2 * kHalf] - phi[k];
        }
    }
    // Pixels either side of the edge whose rows are fitted.
    double Rows() const { return rows_; }
    // The lattice index of row y's offset from an edge at lattice point q.
    int Index(int y, long q) const {
        return static_cast<int>(y * static_cast<long>(kSteps) - q) + middle_;
    }
    double Cover(int k) const { return k < 0 ? 0.0 : k > 2 * middle_ ? 1.0 : cover_[k]; }
    double Weight(int k) const { return k < 0 || k > 2 * middle_ ? 0.0 : weight_[k]; }

  private:
    static double Phi(double x) { return 0.5 * std::erfc(-x * std::numbers::sqrt2 / 2); }
    double rows_;
    int middle_;
    std::vector<double> cover_, weight_;
};

// The tabulated step nearest to a transition of slope rows per column:
// the blur across the sloping edge, and the edge's rows within the column.
const BlurredStep& StepOf(double slope) {
    static const std::vector<BlurredStep> steps = [] {
        std::vector<BlurredStep> s;
        for (const double w : kWidths)
            s.emplace_back(w);
        return s;
    }();
    const double width = std::sqrt(kDefaultBlur * kDefaultBlur * (1 + slope * slope) +
                                   slope * slope / 12.0);
    std::size_t k = 0;
    while (k + 1 < steps.size() && kWidths[k + 1] * kWidths[k] < width * width)
        ++k;
    return steps[k];
}

// The darkness of pixel (x, y) against the back light l.
double Darkness(const Picture& p, int x, int y, const Light& l, double silhouette) {
    const double light = l.At(y);
    return (light - p.At(x, y)) / (light - silhouette);
}

// Both edges of one column fitted together; false where the fit does not
// settle within kLargestStep of where it began.
bool FitColumn(const Picture& p, int x, const Edges& e, double silhouette, const BlurredStep& st,
               const BlurredStep& sb, double& top, double& bottom) {
    const long qt = std::lround(e.top * kSteps), qb = std::lround(e.bottom * kSteps);
    const double t0 = static_cast<double>(qt) / kSteps, b0 = static_cast<double>(qb) / kSteps;
    const int from = std::max(0, static_cast<int>(std::ceil(t0 - st.Rows())));
    const int to = std::min(p.height - 1, static_cast<int>(std::floor(b0 + sb.Rows())));
    const int topTo = static_cast<int>(std::floor(t0 + st.Rows()));
    const int bottomFrom = static_cast<int>(std::ceil(b0 - sb.Rows()));
    const double middle = 0.5 * (t0 + b0);
    double tt = 0, tb = 0, bb = 0, rt = 0, rb = 0;
    for (int y = from; y <= to; ++y) {
        if (y > topTo && y < bottomFrom) { // the dark core: neither edge moves it
            y = bottomFrom - 1;
            continue;
        }
        const int it = st.Index(y, qt), ib = sb.Index(y, qb);
        const double r = Darkness(p, x, y, y <= middle ? e.above : e.below, silhouette) -
                         (st.Cover(it) - sb.Cover(ib));
        const double jt = -st.Weight(it), jb = sb.Weight(ib);
        tt += jt * jt;
        tb += jt * jb;
        bb += jb * jb;
        rt += jt * r;
        rb += jb * r;
    }
    const double det = tt * bb - tb * tb;
    if (!(det > 1e-9))
        return false;
    const double dt = (rt * bb - rb * tb) / det, db = (rb * tt - rt * tb) / det;
    if (!(std::fabs(dt) < kLargestStep && std::fabs(db) < kLargestStep))
        return false;
    top = t0 + dt;
    bottom = b0 + db;
    return true;
}

} // namespace

void FitSlopingEdges(const Picture& p, const Levels& lv, const Trace& t,
                     std::vector<Edges>& edges) {
    const int span = static_cast<int>(edges.size());
    auto measured = [&](int i) { return i >= 0 && i < span && edges[i].measured; };
    std::vector<double> top(span), bottom(span);
    std::vector<uint8_t> fitted(span, 0);
    for (int i = 0; i < span; ++i) {
        const Edges& e = edges[i];
        // Edges within the picture's rows only: a window's sums on an odd
        // picture can put them anywhere, or make them no numbers.
        if (!e.measured || !e.clean || !(e.top >= 0 && e.bottom <= p.height - 1) ||
            !(e.bottom - e.top > kLeastExtent))
            continue;
        // The farthest measured columns within kBendReach either side (across
        // the white columns of a cut, too).
        int l = -1, r = -1;
        for (int k = 1; k <= kBendReach; ++k) {
            if (measured(i - k))
                l = i - k;
            if (measured(i + k))
                r = i + k;
        }
        if (l < 0 || r < 0)
            continue;
        // The outline bends within the blur's reach of the column where the
        // slopes either side differ: the blur mixes the neighbours' edges
        // into the column's transition, lopsided.
        bool bends = false;
        auto slope = [&](double Edges::*edge) {
            const double left = (e.*edge - edges[l].*edge) / (i - l);
            const double right = (edges[r].*edge - e.*edge) / (r - i);
            bends |= std::fabs(right - left) > kBend;
            return std::fabs(edges[r].*edge - edges[l].*edge) / (r - l);
        };
        const double kt = slope(&Edges::top), kb = slope(&Edges::bottom);
        if (bends || (kt < kLeastSlope && kb < kLeastSlope))
            continue;
        fitted[i] = FitColumn(p, t.tip + i, e, lv.silhouette, StepOf(kt), StepOf(kb), top[i],
                              bottom[i]);
        if (kt < kLeastSlope) // a flat edge keeps its darkness sum
            top[i] = e.top;
        if (kb < kLeastSlope)
            bottom[i] = e.bottom;
    }
    for (int i = 0; i < span; ++i)
        if (fitted[i]) {
            edges[i].top = top[i];
            edges[i].bottom = bottom[i];
        }
}

} // namespace edge_gauge::parts
