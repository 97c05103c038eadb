// Grey levels.  Sixteen whole columns, spread over the picture, give a
// histogram (a column white from top to bottom is a cut and does not
// count); Otsu's split separates back light from silhouette.  The back light
// is measured in each sampled column on its own, since LED back lights fall
// off towards their edges: the mean of the pixels deep inside bright runs
// (four pixels or more from where the run changes, near the column's bright
// median), so that the blurred edges do not pull it.  Between the sampled
// columns it is interpolated; every column's dark threshold lies half-way
// between its back light and the silhouette.  The silhouette's level is the
// mean of the pixels deep inside dark runs: the drill blocks the light, its
// level does not follow the back light.
#include "libs/edge_gauge/gauge_parts.h"

#include <algorithm>
#include <cmath>

namespace edge_gauge::parts {

namespace {

constexpr double kMadToSigma = 1.4826;
constexpr int kMinDeep = 8; // deep pixels that make a level
constexpr double kDirtContrast =
    0.25;                          // of the contrast: a back-light pixel this much darker is dirt
constexpr double kDirtNoise = 6.0; // or this many noise sigmas, whichever is more

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

// The Otsu split of a histogram: the last dark grey level; -1 with one level only.
int OtsuSplit(const std::array<uint32_t, 256>& h, uint64_t total) {
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
    return split;
}

// One sampled column: its pixels and what they showed.
struct Sample {
    int x = 0;
    bool white = false;              // a cut: white from top to bottom
    const uint8_t* values = nullptr; // its pixels, top first
    std::array<uint32_t, 256> histogram{};
    int brightMedian = 0;
    double brightNoise = -1; // sigma from the bright pixels' spread; below 0: none
    double light = -1;       // the deep back light; below 0: none
};

} // namespace

void Levels::SetThresholds() {
    threshold = 0.5 * (background + silhouette);
    const double dirt = std::max(kDirtContrast * Contrast(), kDirtNoise * noise);
    darkBelow.resize(light.size());
    dirtBelow.resize(light.size());
    for (std::size_t x = 0; x < light.size(); ++x) {
        darkBelow[x] = static_cast<int>(std::ceil(0.5 * (light[x] + silhouette)));
        dirtBelow[x] = static_cast<int>(std::ceil(light[x] - dirt));
    }
}

bool FindLevels(const Picture& p, Levels& out) {
    const int n = std::min(p.width, kSampleColumns);
    std::vector<Sample> s(n);
    // The sampled columns' pixels, read row by row, and each column's
    // histogram: neighbouring counts belong to different columns, so that
    // runs of equal values do not wait on one counter.
    std::vector<uint8_t> values(static_cast<std::size_t>(n) * p.height);
    for (int k = 0; k < n; ++k) {
        s[k].x = static_cast<int>((2LL * k + 1) * p.width / (2LL * n));
        s[k].values = values.data() + static_cast<std::size_t>(k) * p.height;
    }
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* row = p.Row(y);
        for (int k = 0; k < n; ++k) {
            const uint8_t v = row[s[k].x];
            values[static_cast<std::size_t>(k) * p.height + y] = v;
            ++s[k].histogram[v];
        }
    }
    std::array<uint32_t, 256> h{};
    uint64_t total = 0;
    for (int k = 0; k < n; ++k) {
        Sample& c = s[k];
        c.white = c.histogram[kWhite] == static_cast<uint32_t>(p.height);
        if (c.white)
            continue;
        for (int v = 0; v < 256; ++v)
            h[v] += c.histogram[v];
        total += p.height;
    }
    if (total == 0)
        return false;
    const int split = OtsuSplit(h, total);
    if (split < 0)
        return false; // one grey level only
    uint64_t darkCount = 0;
    for (int i = 0; i <= split; ++i)
        darkCount += h[i];
    const int darkMedian = Median(h, 0, split, darkCount);
    const double darkNoise = kMadToSigma * Mad(h, 0, split, darkMedian, darkCount);

    // Each column's bright pixels: their median and spread.
    std::vector<double> spreads;
    std::vector<uint8_t> bright;
    for (int k = 0; k < n; ++k) {
        Sample& c = s[k];
        if (c.white)
            continue;
        const std::array<uint32_t, 256>& ch = c.histogram;
        uint64_t count = 0;
        for (int v = split + 1; v < 256; ++v)
            count += ch[v];
        if (count < kMinDeep)
            continue;
        c.brightMedian = Median(ch, split + 1, 255, count);
        c.brightNoise = kMadToSigma * Mad(ch, split + 1, 255, c.brightMedian, count);
        spreads.push_back(c.brightNoise);
    }
    if (spreads.empty())
        return false;
    std::nth_element(spreads.begin(), spreads.begin() + spreads.size() / 2, spreads.end());
    const double brightNoise = spreads[spreads.size() / 2];
    const double noise = std::min(darkNoise, brightNoise);

    int brightMedian = 0, columns = 0;
    for (const Sample& c : s)
        if (c.brightNoise >= 0) {
            brightMedian += c.brightMedian;
            ++columns;
        }
    brightMedian = (brightMedian + columns / 2) / columns;
    const double contrast = brightMedian - darkMedian;
    if (contrast < kMinContrast || contrast < kContrastToNoise * noise)
        return false;

    // The levels deep inside runs of dark and of bright pixels.
    const int reach = static_cast<int>(std::ceil(std::max(4.0, 6.0 * std::max(noise, 0.5))));
    uint64_t darkSum = 0, darkDeep = 0;
    double squares = 0; // of the deep bright pixels about their column's mean
    uint64_t brightDeep = 0;
    // Dark pixels of a column among its rows 0 ... y - 1 (modulo 2^16: only
    // differences over a few rows are read).
    std::vector<uint16_t> darkRows(static_cast<std::size_t>(p.height) + 1, 0);
    std::vector<uint8_t> brightIn(p.height, 0); // sampled columns where a row is deep bright
    int usable = 0;
    for (Sample& c : s) {
        if (c.white || c.brightNoise < 0)
            continue;
        const int mid = (c.brightMedian + darkMedian + 1) / 2; // below: dark
        const uint8_t* col = c.values;
        ++usable;
        // 32 bits hold the sums of a column: at most 2^15 rows of 8-bit values.
        uint32_t sum0 = 0, count0 = 0, sum1 = 0, count1 = 0, sq1 = 0;
        const unsigned darkFrom = darkMedian - reach, brightFrom = c.brightMedian - reach;
        const unsigned width = 2 * reach;
        // Dark pixels among the rows y - kRunMargin ... y + kRunMargin, from
        // the running count of dark rows: all of them or none make a deep
        // pixel.
        for (int y = 0; y < p.height; ++y)
            darkRows[y + 1] = static_cast<uint16_t>(darkRows[y] + (col[y] < mid));
        constexpr unsigned kNear = 2 * kRunMargin + 1;
        for (int y = kRunMargin; y + kRunMargin < p.height; ++y) {
            const unsigned darkNear =
                static_cast<uint16_t>(darkRows[y + kRunMargin + 1] - darkRows[y - kRunMargin]);
            const unsigned v = col[y];
            const unsigned deepDark = (darkNear == kNear) & (v - darkFrom <= width);
            const unsigned deepBright = (darkNear == 0) & (v - brightFrom <= width);
            sum0 += deepDark * v;
            count0 += deepDark;
            sum1 += deepBright * v;
            sq1 += deepBright * v * v;
            count1 += deepBright;
            brightIn[y] += static_cast<uint8_t>(deepBright);
        }
        darkSum += sum0;
        darkDeep += count0;
        if (count1 >= kMinDeep) {
            const double mean = static_cast<double>(sum1) / count1;
            c.light = mean;
            squares += std::max(0.0, static_cast<double>(sq1) - count1 * mean * mean);
            brightDeep += count1;
        } else {
            c.light = c.brightMedian;
        }
    }

    // Each column's back light over the rows that are deep bright in every
    // sampled column: a back light that falls off towards the top and the
    // bottom then gives a column that the drill crosses (bright only far
    // from the middle rows) the same level as one beside it, so that the
    // levels change from column to column only as the back light does.
    std::vector<int> common;
    for (int y = 0; y < p.height; ++y)
        if (usable > 0 && brightIn[y] == usable)
            common.push_back(y);
    if (static_cast<int>(common.size()) >= kMinDeep) {
        for (Sample& c : s) {
            if (c.white || c.brightNoise < 0)
                continue;
            uint32_t sum = 0;
            for (const int y : common)
                sum += c.values[y];
            c.light = static_cast<double>(sum) / common.size();
        }
    }

    out.darkCore = darkDeep >= kMinDeep;
    out.silhouette = out.darkCore ? static_cast<double>(darkSum) / darkDeep : darkMedian;
    out.noise = brightDeep >= kMinDeep ? std::sqrt(squares / brightDeep) : brightNoise;

    // The back light of every column, linear between the sampled columns.
    std::vector<const Sample*> lit;
    double lightSum = 0;
    for (const Sample& c : s)
        if (c.light >= 0) {
            lit.push_back(&c);
            lightSum += c.light;
        }
    out.background = lightSum / lit.size();
    out.light.assign(p.width, static_cast<float>(lit.front()->light));
    for (std::size_t i = 0; i < lit.size(); ++i) {
        const Sample& a = *lit[i];
        if (i + 1 == lit.size()) {
            for (int x = a.x; x < p.width; ++x)
                out.light[x] = static_cast<float>(a.light);
            break;
        }
        const Sample& b = *lit[i + 1];
        for (int x = a.x; x < b.x; ++x)
            out.light[x] =
                static_cast<float>(a.light + (b.light - a.light) * (x - a.x) / (b.x - a.x));
    }
    for (float& l : out.light)
        if (l - out.silhouette < kMinContrast)
            return false;
    if (out.Contrast() < kMinContrast)
        return false;
    out.SetThresholds();
    return true;
}

} // namespace edge_gauge::parts
