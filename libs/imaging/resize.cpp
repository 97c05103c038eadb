#include "libs/imaging/resize.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace imaging {
namespace {

// Rounding slack for sizes such as 300 x (1/3), which doubles make 99.999...
constexpr double kSlack = 1e-7;

bool UsableFactor(double f) {
    return std::isfinite(f) && f > 0.0;
}

int32_t ResizedLength(int32_t source, int32_t destination, double factor) {
    if (source <= 0 || destination <= 0 || !UsableFactor(factor))
        return 0;
    const double length = std::ceil(static_cast<double>(source) * factor - kSlack);
    return static_cast<int32_t>(std::clamp(length, 0.0, static_cast<double>(destination)));
}

// For every destination index along one axis, the source indices it reads
// (from first[i], consecutive) and their weights, which sum to 1.
struct Taps {
    std::vector<int32_t> first;
    std::vector<std::size_t> begin; // into weight; one more entry than first
    std::vector<double> weight;

    std::size_t Count(std::size_t i) const { return begin[i + 1] - begin[i]; }
};

void AddAreaTaps(Taps& taps, int32_t source, double factor, int32_t i) {
    const double from = i / factor;
    const double to = std::min((i + 1) / factor, static_cast<double>(source));
    const int32_t j0 = std::min(static_cast<int32_t>(from), source - 1);
    const int32_t j1 = std::max(j0 + 1, static_cast<int32_t>(std::ceil(to)));
    const std::size_t start = taps.weight.size();
    double total = 0.0;
    for (int32_t j = j0; j < j1 && j < source; ++j) {
        const double w = std::max(0.0, std::min(to, j + 1.0) - std::max(from, double(j)));
        taps.weight.push_back(w);
        total += w;
    }
    taps.first.push_back(j0);
    if (total <= 0.0) { // a sliver beyond the last source pixel
        taps.weight.resize(start);
        taps.weight.push_back(1.0);
        return;
    }
    for (std::size_t k = start; k < taps.weight.size(); ++k)
        taps.weight[k] /= total;
}

void AddLinearTaps(Taps& taps, int32_t source, double factor, int32_t i) {
    const double u = std::clamp((i + 0.5) / factor - 0.5, 0.0, source - 1.0);
    const int32_t j = static_cast<int32_t>(u);
    const double t = u - j;
    taps.first.push_back(j);
    taps.weight.push_back(1.0 - t);
    if (j + 1 < source && t > 0.0)
        taps.weight.push_back(t);
}

Taps MakeTaps(int32_t source, int32_t length, double factor) {
    Taps taps;
    taps.begin.push_back(0);
    for (int32_t i = 0; i < length; ++i) {
        if (factor > 1.0)
            AddLinearTaps(taps, source, factor, i);
        else
            AddAreaTaps(taps, source, factor, i);
        taps.begin.push_back(taps.weight.size());
    }
    return taps;
}

uint8_t ToPixel(double v) {
    return static_cast<uint8_t>(std::clamp(std::floor(v + 0.5), 0.0, 255.0));
}

} // namespace

Extent ResizedExtent(int32_t sourceWidth, int32_t sourceHeight, int32_t destinationWidth,
                     int32_t destinationHeight, double factorX, double factorY) {
    Extent e{ResizedLength(sourceWidth, destinationWidth, factorX),
             ResizedLength(sourceHeight, destinationHeight, factorY)};
    if (e.width == 0 || e.height == 0)
        return {};
    return e;
}

Extent ResizePlane(const ConstPlane& source, const Plane& destination, double factorX,
                   double factorY) {
    if (!source.pixels || !destination.pixels)
        return {};
    const Extent e = ResizedExtent(source.width, source.height, destination.width,
                                   destination.height, factorX, factorY);
    if (e.width == 0)
        return {};
    const Taps across = MakeTaps(source.width, e.width, factorX);
    const Taps down = MakeTaps(source.height, e.height, factorY);
    const std::size_t sw = static_cast<std::size_t>(source.width);
    std::vector<double> row(sw);
    for (int32_t y = 0; y < e.height; ++y) {
        // Down first: one source-wide row of weighted sums, then across it.
        std::fill(row.begin(), row.end(), 0.0);
        for (std::size_t k = 0; k < down.Count(y); ++k) {
            const double w = down.weight[down.begin[y] + k];
            const uint8_t* in = source.pixels + (down.first[y] + k) * sw;
            for (std::size_t x = 0; x < sw; ++x)
                row[x] += w * in[x];
        }
        uint8_t* out = destination.pixels + static_cast<std::size_t>(y) * destination.width;
        for (int32_t x = 0; x < e.width; ++x) {
            double v = 0.0;
            const double* w = &across.weight[across.begin[x]];
            const double* in = &row[across.first[x]];
            for (std::size_t k = 0; k < across.Count(x); ++k)
                v += w[k] * in[k];
            out[x] = ToPixel(v);
        }
    }
    return e;
}

} // namespace imaging
