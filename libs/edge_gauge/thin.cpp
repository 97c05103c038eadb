// A silhouette without a dark core (thinner than about nine pixels, with no
// thicker part in the sampled columns) shows no pixel at the silhouette's
// level.  Its contrast and blur are fitted to the averaged profile across
// the widest part: a band, covered exactly and blurred by the Gaussian
// sampled at whole pixels, whose edges the window sums give for that
// contrast.  Damped Gauss-Newton over the two; each column's profile is
// taken against the back light next to its edges.
#include "libs/edge_gauge/gauge_parts.h"

#include <algorithm>
#include <cmath>

namespace edge_gauge::parts {

namespace {

constexpr int kIterations = 30;
constexpr double kLeastBlur = 0.3, kMostBlur = 3.0; // pixels

} // namespace

bool FitThinProfile(const Picture& p, const Levels& lv, const Trace& t,
                    const std::vector<Edges>& edges, const Widest& w, double& silhouette,
                    double& sigma) {
    int rowFrom = p.height, rowTo = -1;
    for (int c : w.columns) {
        rowFrom = std::min(rowFrom, t.outline[c].top - kEdgeOut);
        rowTo = std::max(rowTo, t.outline[c].bottom + kEdgeOut);
    }
    rowFrom = std::max(rowFrom, 0);
    rowTo = std::min(rowTo, p.height - 1);
    const int rows = rowTo - rowFrom + 1;
    if (rows < 3)
        return false;
    std::vector<double> seen(rows, 0.0); // back light minus the mean value of each row
    const int n = static_cast<int>(w.columns.size());
    const int step = std::max(1, n / kThinColumns);
    int used = 0;
    double light = 0;
    for (int i = 0; i < n; i += step, ++used) {
        const Edges& e = edges[w.columns[i]];
        const double l = 0.5 * (e.above.level + e.below.level);
        light += l;
        for (int y = rowFrom; y <= rowTo; ++y)
            seen[y - rowFrom] += l - p.At(t.tip + w.columns[i], y);
    }
    light /= used;
    for (double& v : seen)
        v /= used;
    // The windows of the edges meet at the middle row, as in a thin column.
    const int middle = static_cast<int>(std::floor(0.5 * (w.top + w.bottom)));
    if (middle < rowFrom || middle >= rowTo)
        return false;
    double upper = 0, lower = 0;
    for (int y = rowFrom; y <= rowTo; ++y)
        (y <= middle ? upper : lower) += seen[y - rowFrom];

    std::vector<double> cover;
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
    const double c0 = light - lv.silhouette;
    if (!(c0 > 0))
        return false;
    double s = kDefaultBlur, c = c0, damping = 1e-3;
    std::vector<double> r, rs, rc;
    double misfit = residuals(s, c, r);
    for (int iteration = 0; iteration < kIterations; ++iteration) {
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
            const double ns = std::clamp(s + stepS, kLeastBlur, kMostBlur);
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
                    iteration = kIterations;
            } else {
                damping *= 10;
            }
        }
        if (!better)
            break;
    }
    sigma = s;
    silhouette = light - c;
    return std::isfinite(c) && c > 0.5 * c0 && c < 2.0 * c0;
}

} // namespace edge_gauge::parts
