// A corner of the outline next to the station's cut.  Where the cone meets
// the body, the body the neck or the neck the shank, each edge bends; the
// optics' blur and the column's own width round the bend over a couple of
// columns, so that a cut within them leaves a last column whose edges lie
// on neither side's line.  Each edge is taken as two lines that meet at a
// corner, rounded as the blur and the column width round it, and fitted to
// the columns on both sides of the cut; the corner's place, shared by both
// edges, is searched on a grid and then on a finer one about the best.
// Farther from any corner, the straight piece of the outline across the
// cut is found the same way: the columns beyond its corners are cut off
// until one line fits the rest.
#include "libs/edge_gauge/gauge_parts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

namespace edge_gauge::parts {

namespace {

// Columns fitted on each side of the cut, the span's last one included:
// as many as the lines need, and fewer where that many reach another corner.
constexpr int kCornerReaches[] = {80, 24};
constexpr int kCornerSideLeast = 3;  // columns wanted on each side of a corner
constexpr double kCornerNear = 4.0;  // columns from the last one or the cut where a corner may lie
constexpr double kCoarseStep = 1.0;  // columns between the corner places first tried
constexpr double kFineStep = 0.125;  // columns between the places tried about the best
constexpr int kFineSteps = 8;        // fine places tried either side of the best coarse one
constexpr double kCornerGain = 25.0; // least drop of the squared residuals, in edge noise variances
constexpr double kCornerWorst = 2.5; // largest mean squared residual, in edge noise variances
constexpr double kRampReach = 5.0;   // blur sigmas beyond which the rounding is nil
constexpr int kPieceReach = 80;      // columns either side of the cut that a straight piece may take
constexpr int kPieceCorners = 3;     // corners cut off a piece at most
constexpr double kPieceMargin = 3.0; // columns next to a corner that its rounding bends
constexpr double kLineSigmas = 3.0;  // of the squared residuals' spread that one line may exceed

struct Column {
    double u, top, bottom; // u: columns from the span's last column
};

// The ramp max(d, 0) as a column sees it: averaged over the column's width
// and blurred with a Gaussian of sigma columns.  The places tried on the
// grids put d on multiples of kFineStep (d = place - u, u whole, places
// half-way between columns plus fine steps): those values are tabulated.
class RoundedRamp {
  public:
    explicit RoundedRamp(double sigma)
        : sigma_(sigma), reach_(kRampReach * sigma + 0.5),
          half_(static_cast<int>(std::ceil(reach_ / kFineStep))),
          table_(static_cast<std::size_t>(2 * half_ + 1)) {
        // d +- 0.5 lies on the lattice too: the antiderivative once per point.
        constexpr int kHalfColumn = static_cast<int>(0.5 / kFineStep);
        const int reach = half_ + kHalfColumn;
        std::vector<double> h(static_cast<std::size_t>(2 * reach + 1));
        for (int k = -reach; k <= reach; ++k)
            h[static_cast<std::size_t>(k + reach)] = H(k * kFineStep);
        for (int k = -half_; k <= half_; ++k)
            table_[static_cast<std::size_t>(k + half_)] =
                h[static_cast<std::size_t>(k + kHalfColumn + reach)] -
                h[static_cast<std::size_t>(k - kHalfColumn + reach)];
    }
    double Reach() const { return reach_; } // beyond it, the ramp is 0 or d itself
    double operator()(double d) const {
        if (d <= -reach_)
            return 0;
        if (d >= reach_)
            return d;
        const double k = std::round(d / kFineStep);
        if (std::fabs(d - k * kFineStep) < 1e-9)
            return table_[static_cast<std::size_t>(static_cast<int>(k) + half_)];
        return Exact(d);
    }

  private:
    // An antiderivative of the blurred ramp z Phi(z / s) + s phi(z / s).
    double H(double z) const {
        const double t = z / sigma_;
        const double cdf = 0.5 * std::erfc(-t / std::numbers::sqrt2);
        const double pdf =
            std::exp(-0.5 * t * t) * (std::numbers::inv_sqrtpi / std::numbers::sqrt2);
        return 0.5 * (z * z + sigma_ * sigma_) * cdf + 0.5 * z * sigma_ * pdf;
    }
    double Exact(double d) const { return H(d + 0.5) - H(d - 0.5); }

    double sigma_, reach_;
    int half_;
    std::vector<double> table_;
};

// Least squares of y on up to three basis values per column, by the normal
// equations; the squared residuals and the coefficients.
template <int N> struct Fit {
    double a[N][N] = {}, ry[2][N] = {}, yy[2] = {};
    void Add(const double (&f)[N], double top, double bottom) {
        for (int i = 0; i < N; ++i) {
            for (int j = i; j < N; ++j) // the upper triangle; Solve mirrors it
                a[i][j] += f[i] * f[j];
            ry[0][i] += f[i] * top;
            ry[1][i] += f[i] * bottom;
        }
        yy[0] += top * top;
        yy[1] += bottom * bottom;
    }
    // Solves for both edges; false when the basis is degenerate.
    bool Solve(double (&beta)[2][N], double& squares) const {
        double m[N][N];
        for (int i = 0; i < N; ++i)
            for (int j = 0; j < N; ++j)
                m[i][j] = j >= i ? a[i][j] : a[j][i];
        double r[2][N];
        std::copy(&ry[0][0], &ry[0][0] + 2 * N, &r[0][0]);
        for (int k = 0; k < N; ++k) { // Gauss without pivoting: the matrix is positive definite
            if (!(m[k][k] > 1e-9 * (1.0 + a[k][k])))
                return false;
            for (int i = k + 1; i < N; ++i) {
                const double f = m[i][k] / m[k][k];
                for (int j = k; j < N; ++j)
                    m[i][j] -= f * m[k][j];
                r[0][i] -= f * r[0][k];
                r[1][i] -= f * r[1][k];
            }
        }
        squares = 0;
        for (int e = 0; e < 2; ++e) {
            for (int i = N - 1; i >= 0; --i) {
                double s = r[e][i];
                for (int j = i + 1; j < N; ++j)
                    s -= m[i][j] * beta[e][j];
                beta[e][i] = s / m[i][i];
            }
            double explained = 0;
            for (int i = 0; i < N; ++i)
                explained += beta[e][i] * ry[e][i];
            squares += yy[e] - explained;
        }
        return std::isfinite(squares);
    }
};

struct Trial {
    double place = 0, squares = std::numeric_limits<double>::infinity();
    double beta[2][3] = {};
};

// The fitted columns in the order of u, with running sums of the values
// that the corner's basis takes far from the corner, where it is a line on
// either side: only the columns within the rounding's reach are summed one
// by one for each place tried.
class Columns {
  public:
    explicit Columns(std::vector<Column> cols) : cols_(std::move(cols)), sums_(cols_.size() + 1) {
        for (std::size_t i = 0; i < cols_.size(); ++i) {
            const Column& c = cols_[i];
            Sums s = sums_[i];
            s.n += 1;
            s.u += c.u;
            s.uu += c.u * c.u;
            for (int e = 0; e < 2; ++e) {
                const double y = e ? c.bottom : c.top;
                s.y[e] += y;
                s.uy[e] += c.u * y;
                s.yy[e] += y * y;
            }
            sums_[i + 1] = s;
        }
    }
    const std::vector<Column>& All() const { return cols_; }

    // Each edge as two lines meeting at `place`, rounded.
    Trial Try(double place, const RoundedRamp& ramp) const {
        Trial t;
        t.place = place;
        const auto at = [&](double u) {
            return static_cast<std::size_t>(
                std::lower_bound(cols_.begin(), cols_.end(), u,
                                 [](const Column& c, double v) { return c.u < v; }) -
                cols_.begin());
        };
        const std::size_t left = at(place), from = at(place - ramp.Reach() + 1e-9),
                          to = at(place + ramp.Reach());
        if (left < static_cast<std::size_t>(kCornerSideLeast) ||
            cols_.size() - left < static_cast<std::size_t>(kCornerSideLeast))
            return t;
        Fit<3> fit;
        // Far left the basis is (1, v, -v), far right (1, v, 0), v = u - place.
        const Sums far = Between(0, from), right = Between(to, cols_.size());
        for (const Sums* s : {&far, &right}) {
            const double v = s->u - place * s->n, vv = s->uu - 2 * place * s->u + place * place * s->n;
            const double sign = s == &far ? -1.0 : 0.0;
            fit.a[0][0] += s->n;
            fit.a[0][1] += v;
            fit.a[0][2] += sign * v;
            fit.a[1][1] += vv;
            fit.a[1][2] += sign * vv;
            fit.a[2][2] += sign * sign * vv;
            for (int e = 0; e < 2; ++e) {
                const double vy = s->uy[e] - place * s->y[e];
                fit.ry[e][0] += s->y[e];
                fit.ry[e][1] += vy;
                fit.ry[e][2] += sign * vy;
                fit.yy[e] += s->yy[e];
            }
        }
        for (std::size_t i = from; i < to; ++i) {
            const Column& c = cols_[i];
            const double f[3] = {1.0, c.u - place, ramp(place - c.u)};
            fit.Add(f, c.top, c.bottom);
        }
        if (!fit.Solve(t.beta, t.squares))
            t.squares = std::numeric_limits<double>::infinity();
        return t;
    }

  private:
    struct Sums {
        double n = 0, u = 0, uu = 0, y[2] = {}, uy[2] = {}, yy[2] = {};
    };
    Sums Between(std::size_t from, std::size_t to) const {
        const Sums &a = sums_[from], &b = sums_[to];
        Sums s;
        s.n = b.n - a.n;
        s.u = b.u - a.u;
        s.uu = b.uu - a.uu;
        for (int e = 0; e < 2; ++e) {
            s.y[e] = b.y[e] - a.y[e];
            s.uy[e] = b.uy[e] - a.uy[e];
            s.yy[e] = b.yy[e] - a.yy[e];
        }
        return s;
    }

    std::vector<Column> cols_;
    std::vector<Sums> sums_;
};

// The vertex of the parabola through (x0, y0), (x1, y1), (x2, y2), x0 < x1 < x2
// and y1 the least; x1 when the three lie on a line.
double Vertex(double x0, double y0, double x1, double y1, double x2, double y2) {
    const double a = (x1 - x0) * (y1 - y2), b = (x1 - x2) * (y1 - y0);
    const double den = a - b;
    if (!(std::fabs(den) > 0))
        return x1;
    return x1 - 0.5 * ((x1 - x0) * a - (x1 - x2) * b) / den;
}

// The best place within kFineSteps fine steps of `start`'s, then at the
// vertex of the parabola through it and its neighbours: a steep cone fixes
// the corner's place to a few hundredths of a column.
Trial Refine(const Columns& cols, const Trial& start, const RoundedRamp& ramp) {
    Trial fine[2 * kFineSteps + 1];
    int at = kFineSteps;
    for (int k = -kFineSteps; k <= kFineSteps; ++k) {
        fine[k + kFineSteps] =
            k == 0 ? start : cols.Try(start.place + k * kFineStep, ramp);
        if (fine[k + kFineSteps].squares < fine[at].squares)
            at = k + kFineSteps;
    }
    Trial best = fine[at];
    if (at > 0 && at < 2 * kFineSteps) {
        const Trial t =
            cols.Try(Vertex(fine[at - 1].place, fine[at - 1].squares, best.place, best.squares,
                             fine[at + 1].place, fine[at + 1].squares),
                      ramp);
        if (t.squares < best.squares)
            best = t;
    }
    return best;
}

// The clean columns fitted: the span's last `left` ones (none of the tip's
// first) and the first `right` ones beyond the cut.  A column or two
// between the cut and the picture's border tell no side of anything.
std::vector<Column> Gather(const std::vector<Edges>& edges, const std::vector<Edges>& after,
                           int gap, int left, int right) {
    std::vector<Column> cols;
    const int span = static_cast<int>(edges.size());
    for (int i = std::max(kTipRoundColumns, span - left); i < span; ++i)
        if (edges[i].measured && edges[i].clean)
            cols.push_back({static_cast<double>(i - (span - 1)), edges[i].top, edges[i].bottom});
    const int beyond = static_cast<int>(after.size());
    for (int k = 0; k < (beyond < kCornerSideLeast ? 0 : std::min(right, beyond)); ++k)
        if (after[k].measured && after[k].clean)
            cols.push_back({static_cast<double>(gap + k), after[k].top, after[k].bottom});
    return cols;
}

// One line through each edge of the columns: the coefficients (value at
// u = 0, change per column) and the squared residuals of both.
bool FitLines(const std::vector<Column>& cols, double (&beta)[2][2], double& squares) {
    Fit<2> line;
    for (const Column& c : cols) {
        const double f[2] = {1.0, c.u};
        line.Add(f, c.top, c.bottom);
    }
    return line.Solve(beta, squares);
}

// A place on the fine grid, whose ramp values are tabulated.
double OnGrid(double place) {
    return std::round(place / kFineStep) * kFineStep;
}

// The best corner among every place that leaves enough columns on both
// sides, refined.
Trial BestCorner(const Columns& cols, const RoundedRamp& ramp) {
    const std::vector<Column>& all = cols.All();
    Trial best;
    if (all.size() < 2 * static_cast<std::size_t>(kCornerSideLeast))
        return best;
    const double lastPlace = all[all.size() - kCornerSideLeast].u;
    for (double place = all[kCornerSideLeast - 1].u + 0.5; place <= lastPlace;
         place += kCoarseStep) {
        const Trial t = cols.Try(place, ramp);
        if (t.squares < best.squares)
            best = t;
    }
    return std::isfinite(best.squares) ? Refine(cols, best, ramp) : best;
}

// The corner fitted to `reach` columns on each side of the cut.
bool FitCornerOver(const std::vector<Edges>& edges, const std::vector<Edges>& after, int gap,
                   double noise, const RoundedRamp& ramp, const Corner* start, int reach,
                   Corner& corner) {
    std::vector<Column> fitted = Gather(edges, after, gap, reach, reach);
    if (static_cast<int>(fitted.size()) < 4 * kCornerSideLeast)
        return false;
    // One line per edge, for comparison.
    double lineBeta[2][2], lineSquares = 0;
    if (!FitLines(fitted, lineBeta, lineSquares))
        return false;

    const Columns cols(std::move(fitted));
    const std::vector<Column>& all = cols.All();
    const Trial best = start ? Refine(cols, cols.Try(OnGrid(start->place), ramp), ramp)
                             : BestCorner(cols, ramp);
    if (!std::isfinite(best.squares))
        return false;
    // A corner that the columns show, and two lines that fit them: no
    // collar, speck or second corner among them.
    if (best.place < -kCornerNear || best.place > gap + kCornerNear)
        return false;
    const double edgeVariance = 0.5 * noise * noise;
    const double dof = 2.0 * static_cast<double>(all.size()) - 7.0;
    if (!(lineSquares - best.squares > kCornerGain * edgeVariance) ||
        !(best.squares <= kCornerWorst * edgeVariance * dof))
        return false;
    const double rounded = ramp(best.place);
    corner.place = best.place;
    corner.top = best.beta[0][0] - best.beta[0][1] * best.place + best.beta[0][2] * rounded;
    corner.bottom = best.beta[1][0] - best.beta[1][1] * best.place + best.beta[1][2] * rounded;
    return std::isfinite(corner.top) && std::isfinite(corner.bottom);
}

} // namespace

bool FitCorner(const std::vector<Edges>& edges, const std::vector<Edges>& after, int gap,
               double noise, double sigma, const Corner* start, Corner& corner) {
    const RoundedRamp ramp(sigma);
    for (const int reach : kCornerReaches)
        if (FitCornerOver(edges, after, gap, noise, ramp, start, reach, corner))
            return true;
    return false;
}

bool FitPiece(const std::vector<Edges>& edges, const std::vector<Edges>& after, int gap,
              double noise, double sigma, double& top, double& bottom) {
    std::vector<Column> piece = Gather(edges, after, gap, kPieceReach, kPieceReach);
    const RoundedRamp ramp(sigma);
    const double edgeVariance = 0.5 * noise * noise;
    for (int corners = 0;; ++corners) {
        if (piece.size() < 2 * static_cast<std::size_t>(kCornerSideLeast))
            return false;
        double beta[2][2], squares = 0;
        if (!FitLines(piece, beta, squares))
            return false;
        // One line fits when its squared residuals stay within the spread
        // that the noise gives them.
        const double dof = 2.0 * static_cast<double>(piece.size()) - 4.0;
        if (squares <= edgeVariance * (dof + kLineSigmas * std::sqrt(2.0 * dof))) {
            top = beta[0][0];
            bottom = beta[1][0];
            return std::isfinite(top) && std::isfinite(bottom);
        }
        if (corners == kPieceCorners)
            return false;
        // The piece ends at its best corner, on the side away from the cut;
        // a corner next to the cut is no end of a piece.
        const Trial corner = BestCorner(Columns(piece), ramp);
        if (!std::isfinite(corner.squares) ||
            (corner.place > -kCornerNear && corner.place < gap + kCornerNear))
            return false;
        std::vector<Column> kept;
        for (const Column& c : piece)
            if (corner.place < 0 ? c.u > corner.place + kPieceMargin
                                 : c.u < corner.place - kPieceMargin)
                kept.push_back(c);
        piece = std::move(kept);
    }
}

} // namespace edge_gauge::parts
