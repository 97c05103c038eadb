// The drill scene renderer (see drill_scene.h).
//
// The silhouette is the set of points (x, y) with |y - axisRow| <= r(x): r
// is the drill's half height along its axis, a chain of straight pieces (the
// tip's cone, the body, the neck, the shank) widened to the ring's radius
// over the ring.  Between its breakpoints r is linear, and so is the part of
// a pixel row that the silhouette covers as a function of x between the few
// places where an edge enters or leaves that row: the trapezoid rule over
// those places gives every pixel's covered area exactly.
#include "libs/grabcard/drill_scene.h"

#include <algorithm>
#include <cmath>

namespace drill_scene {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFarPixels = 1e6; // no position or size in pixels beyond this

// Places along the drill, in millimetres from the tip's point.
struct Along {
    double pointEnd; // the cone reaches the body diameter
    double bodyEnd;
    double neckEnd;
    double end;
};

Along AlongOf(const Scene& s) {
    Along a;
    const double half = s.tipAngle * kPi / 360.0;
    a.pointEnd = s.tipAngle >= 180.0 ? 0.0 : s.bodyDiameter / 2.0 / std::tan(half);
    a.bodyEnd = std::max(s.bodyLength, a.pointEnd);
    a.neckEnd = a.bodyEnd + s.neckLength;
    a.end = std::max(s.totalLength, a.neckEnd);
    return a;
}

bool HasRing(const Scene& s) {
    return s.ringWidth > 0.0 && s.ringOuterDiameter > 0.0;
}

// A straight piece of the half height: r0 at x0 to r1 at x1, in pixels.
struct Piece {
    double x0, x1, r0, r1;
    double At(double x) const { return r0 + (r1 - r0) * (x - x0) / (x1 - x0); }
    bool Holds(double x) const { return x0 <= x && x < x1; }
};

// The half height of the silhouette as pieces that follow each other
// without overlap, ordered along the drill.
std::vector<Piece> Profile(const Scene& s) {
    const double k = 1.0 / s.mmPerPixel;
    const Along a = AlongOf(s);
    const double body = s.bodyDiameter / 2.0 * k;
    const double shank = s.shankDiameter / 2.0 * k;
    auto column = [&](double mm) { return s.tipColumn + mm * k; };

    std::vector<Piece> parts;
    auto add = [&](double mm0, double mm1, double r0, double r1) {
        const Piece p{column(mm0), column(mm1), r0, r1};
        if (p.x1 > p.x0)
            parts.push_back(p);
    };
    add(0.0, a.pointEnd, 0.0, body);
    add(a.pointEnd, a.bodyEnd, body, body);
    add(a.bodyEnd, a.neckEnd, body, shank);
    add(a.neckEnd, a.end, shank, shank);
    const std::size_t drillParts = parts.size();
    if (HasRing(s)) {
        const double ring = s.ringOuterDiameter / 2.0 * k;
        add(s.ringPlace, s.ringPlace + s.ringWidth, ring, ring);
    }

    std::vector<double> cuts;
    for (const Piece& p : parts) {
        cuts.push_back(p.x0);
        cuts.push_back(p.x1);
    }
    if (parts.size() > drillParts) { // where a sloping piece crosses the ring's radius
        const Piece& ring = parts.back();
        for (std::size_t i = 0; i < drillParts; ++i) {
            const Piece& p = parts[i];
            if (p.r0 == p.r1)
                continue;
            const double x = p.x0 + (ring.r0 - p.r0) / (p.r1 - p.r0) * (p.x1 - p.x0);
            if (x > p.x0 && x < p.x1 && x > ring.x0 && x < ring.x1)
                cuts.push_back(x);
        }
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    std::vector<Piece> profile;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        const double x0 = cuts[i], x1 = cuts[i + 1];
        const double mid = 0.5 * (x0 + x1);
        const Piece* top = nullptr;
        for (const Piece& p : parts)
            if (p.Holds(mid) && (!top || p.At(mid) > top->At(mid)))
                top = &p;
        if (top)
            profile.push_back({x0, x1, top->At(x0), top->At(x1)});
    }
    return profile;
}

// The covered area of each pixel of one column, summed over the pieces of
// the profile within the column.
class Column {
  public:
    Column(int height, double axis)
        : height_(height), axis_(axis), exact_(height), full_(height + 1) {}

    void Clear() {
        std::fill(exact_.begin(), exact_.end(), 0.0);
        std::fill(full_.begin(), full_.end(), 0.0);
    }

    // The part xa ... xb of a piece whose half height runs from ra to rb.
    void Add(double xa, double xb, double ra, double rb) {
        const double length = xb - xa;
        const double rmin = std::min(ra, rb), rmax = std::max(ra, rb);
        if (!(length > 0.0) || !(rmax > 0.0))
            return;
        const int t0 = RowOf(axis_ - rmax), t1 = RowOf(axis_ - rmin);
        const int b0 = RowOf(axis_ + rmin), b1 = RowOf(axis_ + rmax);
        if (t1 + 1 <= b0 - 1) { // rows covered over the whole length
            const int lo = std::max(t1 + 1, 0), hi = std::min(b0 - 1, height_ - 1);
            if (lo <= hi) {
                full_[lo] += length;
                full_[hi + 1] -= length;
            }
            AddExact(t0, t1, length, ra, rb);
            AddExact(b0, b1, length, ra, rb);
        } else {
            AddExact(t0, b1, length, ra, rb);
        }
    }

    // Writes the covered areas into column x of a row-major picture.
    void Emit(float* picture, int width, int x) const {
        double run = 0.0;
        for (int y = 0; y < height_; ++y) {
            run += full_[y];
            picture[static_cast<std::size_t>(y) * width + x] = static_cast<float>(exact_[y] + run);
        }
    }

  private:
    int RowOf(double y) const {
        y = std::clamp(y, -2.0, height_ + 1.0);
        return static_cast<int>(std::floor(y + 0.5));
    }

    void AddExact(int from, int to, double length, double ra, double rb) {
        from = std::max(from, 0);
        to = std::min(to, height_ - 1);
        for (int y = from; y <= to; ++y)
            exact_[y] += RowArea(y, length, ra, rb);
    }

    // The area that the silhouette covers of row y over the piece.
    double RowArea(int y, double length, double ra, double rb) const {
        const double y0 = y - 0.5, y1 = y + 0.5, a = axis_;
        auto across = [&](double r) {
            const double v = std::min(y1, a + r) - std::max(y0, a - r);
            return v > 0.0 ? v : 0.0;
        };
        if (ra == rb)
            return across(ra) * length;
        // Where an edge enters or leaves the row, as fractions of the piece.
        double t[6];
        int n = 0;
        t[n++] = 0.0;
        for (double c : {a - y0, a - y1, y0 - a, y1 - a}) {
            const double u = (c - ra) / (rb - ra);
            if (u > 0.0 && u < 1.0)
                t[n++] = u;
        }
        t[n++] = 1.0;
        for (int i = 2; i < n - 1; ++i) // at most four places between 0 and 1
            for (int j = i; j > 1 && t[j] < t[j - 1]; --j)
                std::swap(t[j], t[j - 1]);
        double sum = 0.0;
        for (int i = 0; i + 1 < n; ++i)
            sum += (t[i + 1] - t[i]) *
                   (across(ra + (rb - ra) * t[i]) + across(ra + (rb - ra) * t[i + 1]));
        return 0.5 * sum * length;
    }

    int height_;
    double axis_;
    std::vector<double> exact_; // rows that an edge crosses
    std::vector<double> full_;  // difference array of fully covered stretches
};

uint64_t SplitMix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// xoshiro128**: 32-bit steps, quick on the station's 32-bit target.
class Random {
  public:
    Random(uint32_t seed, uint64_t frame) {
        uint64_t x = (static_cast<uint64_t>(seed) << 32) ^ (frame * 0xD1B54A32D192ED03ull);
        for (int i = 0; i < 2; ++i) {
            const uint64_t v = SplitMix(x);
            s_[2 * i] = static_cast<uint32_t>(v);
            s_[2 * i + 1] = static_cast<uint32_t>(v >> 32);
        }
        if ((s_[0] | s_[1] | s_[2] | s_[3]) == 0)
            s_[0] = 1;
    }

    uint32_t Next() {
        const uint32_t result = Rotl(s_[1] * 5u, 7) * 9u;
        const uint32_t t = s_[1] << 9;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = Rotl(s_[3], 11);
        return result;
    }

    // Uniform in 0 ... 1, both ends excluded.
    double Open() { return ((Next() >> 8) + 0.5) * (1.0 / 16777216.0); }

  private:
    static uint32_t Rotl(uint32_t x, int k) { return (x << k) | (x >> (32 - k)); }
    uint32_t s_[4];
};

// Standard normal values by Marsaglia and Tsang's ziggurat: 128 layers of
// equal area; nearly every value costs two random words, a compare and a
// multiplication; the rest is decided exactly against the density.
class Ziggurat {
  public:
    static const Ziggurat& Tables() {
        static const Ziggurat tables;
        return tables;
    }

    double Normal(Random& random) const {
        for (;;) {
            const uint32_t layer = random.Next() & 127u;
            const int32_t word = static_cast<int32_t>(random.Next());
            const uint32_t size =
                word < 0 ? 0u - static_cast<uint32_t>(word) : static_cast<uint32_t>(word);
            const double x = word * width_[layer];
            if (size < inside_[layer])
                return x;     // within the layer's rectangle that lies under the density
            if (layer == 0) { // the tail beyond kEdge
                double t, y;
                do {
                    t = -std::log(random.Open()) / kEdge;
                    y = -std::log(random.Open());
                } while (y + y < t * t);
                return word > 0 ? kEdge + t : -kEdge - t;
            }
            if (density_[layer] + random.Open() * (density_[layer - 1] - density_[layer]) <
                std::exp(-0.5 * x * x))
                return x;
        }
    }

  private:
    static constexpr double kEdge = 3.442619855899;      // right border of the lowest layer
    static constexpr double kArea = 9.91256303526217e-3; // area of every layer

    Ziggurat() {
        const double m = 2147483648.0;
        double d = kEdge, t = kEdge;
        const double q = kArea / std::exp(-0.5 * d * d);
        inside_[0] = static_cast<uint32_t>(d / q * m);
        inside_[1] = 0;
        width_[0] = q / m;
        width_[127] = d / m;
        density_[0] = 1.0;
        density_[127] = std::exp(-0.5 * d * d);
        for (int i = 126; i >= 1; --i) {
            d = std::sqrt(-2.0 * std::log(kArea / d + std::exp(-0.5 * d * d)));
            inside_[i + 1] = static_cast<uint32_t>(d / t * m);
            t = d;
            density_[i] = std::exp(-0.5 * d * d);
            width_[i] = d / m;
        }
    }

    uint32_t inside_[128];
    double width_[128];
    double density_[128];
};

inline uint8_t Quantize(double v) {
    if (!(v > 0.0))
        return 0;
    if (v >= 255.0)
        return 255;
    return static_cast<uint8_t>(static_cast<int>(v + 0.5));
}

inline void Put(uint8_t* out, std::size_t i, int bytesPerPixel, uint8_t value) {
    if (bytesPerPixel == 1) {
        out[i] = value;
    } else {
        uint8_t* p = out + i * bytesPerPixel;
        for (int c = 0; c < bytesPerPixel; ++c)
            p[c] = value;
    }
}

bool Finite(double v) {
    return std::isfinite(v);
}

// Whether two scenes give the same picture before the noise.
bool SameClean(const Scene& a, const Scene& b) {
    return a.mmPerPixel == b.mmPerPixel && a.tipColumn == b.tipColumn && a.axisRow == b.axisRow &&
           a.bodyDiameter == b.bodyDiameter && a.shankDiameter == b.shankDiameter &&
           a.bodyLength == b.bodyLength && a.neckLength == b.neckLength &&
           a.totalLength == b.totalLength && a.tipAngle == b.tipAngle &&
           a.ringOuterDiameter == b.ringOuterDiameter && a.ringWidth == b.ringWidth &&
           a.ringPlace == b.ringPlace && a.background == b.background &&
           a.silhouette == b.silhouette && a.blurSigma == b.blurSigma &&
           a.backgroundRight == b.backgroundRight && a.vignetting == b.vignetting &&
           a.dustSpecks == b.dustSpecks && a.dustSmallest == b.dustSmallest &&
           a.dustLargest == b.dustLargest && a.dustSeed == b.dustSeed;
}

// Uniform in lo ... hi from a SplitMix64 state.
double UniformIn(uint64_t& state, double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(SplitMix(state) >> 11) * (1.0 / 9007199254740992.0);
}

// The length of a ... b within the pixel c - 0.5 ... c + 0.5.
double Overlap(double a, double b, int c) {
    return std::max(0.0, std::min(b, c + 0.5) - std::max(a, c - 0.5));
}

// Places the scene's specks where the drill's coverage leaves room for them.
std::vector<Speck> PlaceSpecks(const Scene& s, const std::vector<float>& drill, int width,
                               int height) {
    std::vector<Speck> specks;
    if (s.dustSpecks <= 0 || width <= 0 || height <= 0)
        return specks;
    uint64_t state = 0x5EED0000ull ^ (static_cast<uint64_t>(s.dustSeed) << 20);
    constexpr int kTries = 64;
    for (int n = 0; n < s.dustSpecks; ++n) {
        for (int attempt = 0; attempt < kTries; ++attempt) {
            const double side = UniformIn(state, s.dustSmallest, s.dustLargest);
            const double x = UniformIn(state, 0.0, width - 1.0);
            const double y = UniformIn(state, 0.0, height - 1.0);
            const double reach = 0.5 * side + kSpeckClearance;
            const int x0 = std::max(0, static_cast<int>(std::floor(x - reach)));
            const int x1 = std::min(width - 1, static_cast<int>(std::ceil(x + reach)));
            const int y0 = std::max(0, static_cast<int>(std::floor(y - reach)));
            const int y1 = std::min(height - 1, static_cast<int>(std::ceil(y + reach)));
            bool free = true;
            for (int yy = y0; free && yy <= y1; ++yy)
                for (int xx = x0; free && xx <= x1; ++xx)
                    free = drill[static_cast<std::size_t>(yy) * width + xx] == 0.0f;
            if (free) {
                specks.push_back({x, y, side});
                break;
            }
        }
    }
    return specks;
}

// Adds the specks' exact coverage to a coverage picture (at most 1 a pixel).
void AddSpecks(const std::vector<Speck>& specks, std::vector<float>& picture, int width,
               int height) {
    for (const Speck& k : specks) {
        const double h = 0.5 * k.side;
        const int x0 = std::max(0, static_cast<int>(std::floor(k.x - h + 0.5)));
        const int x1 = std::min(width - 1, static_cast<int>(std::floor(k.x + h + 0.5)));
        const int y0 = std::max(0, static_cast<int>(std::floor(k.y - h + 0.5)));
        const int y1 = std::min(height - 1, static_cast<int>(std::floor(k.y + h + 0.5)));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                float& v = picture[static_cast<std::size_t>(y) * width + x];
                const double a = Overlap(k.x - h, k.x + h, x) * Overlap(k.y - h, k.y + h, y);
                v = static_cast<float>(std::min(1.0, v + a));
            }
    }
}

} // namespace

const char* SceneProblem(const Scene& s) {
    for (double v :
         {s.mmPerPixel, s.tipColumn, s.axisRow, s.bodyDiameter, s.shankDiameter, s.bodyLength,
          s.neckLength, s.totalLength, s.tipAngle, s.ringOuterDiameter, s.ringWidth, s.ringPlace,
          s.background, s.silhouette, s.blurSigma, s.noiseSigma})
        if (!Finite(v))
            return "a value is not a number";
    if (!(s.mmPerPixel > 0.0))
        return "the scale must be above 0 mm per pixel";
    if (std::fabs(s.tipColumn) > kFarPixels || std::fabs(s.axisRow) > kFarPixels)
        return "the drill lies too far from the picture";
    if (!(s.bodyDiameter > 0.0) || !(s.shankDiameter > 0.0))
        return "the body and shank diameters must be above 0";
    if (s.bodyLength < 0.0 || s.neckLength < 0.0 || s.totalLength < 0.0 || s.ringWidth < 0.0 ||
        s.ringOuterDiameter < 0.0)
        return "lengths, widths and diameters must not be negative";
    if (!(s.tipAngle > 0.0) || s.tipAngle > 180.0)
        return "the tip angle must lie above 0 and at most 180 degrees";
    const Along a = AlongOf(s);
    for (double mm : {a.end, s.shankDiameter, s.bodyDiameter, s.ringOuterDiameter,
                      std::fabs(s.ringPlace) + s.ringWidth})
        if (mm / s.mmPerPixel > kFarPixels)
            return "the drill is too large for the scale";
    if (s.background < 0.0 || s.background > 255.0 || s.silhouette < 0.0 || s.silhouette > 255.0)
        return "grey levels must lie within 0 ... 255";
    if (s.blurSigma < 0.0 || s.blurSigma > 100.0)
        return "the blur sigma must lie within 0 ... 100 pixels";
    if (s.noiseSigma < 0.0 || s.noiseSigma > 1000.0)
        return "the noise sigma must lie within 0 ... 1000 grey levels";
    if (!Finite(s.backgroundRight) || s.backgroundRight > 255.0)
        return "the back light at the right border must lie within 0 ... 255 (below 0: none)";
    if (!Finite(s.vignetting) || s.vignetting < 0.0 || s.vignetting > 0.9)
        return "the vignetting must lie within 0 ... 0.9";
    if (s.dustSpecks < 0 || s.dustSpecks > kMostSpecks)
        return "the number of dust specks must lie within 0 ... 200";
    if (!Finite(s.dustSmallest) || !Finite(s.dustLargest) || !(s.dustSmallest > 0.0) ||
        s.dustLargest < s.dustSmallest || s.dustLargest > 50.0)
        return "the dust specks' sides must lie above 0 and at most 50 pixels, smallest first";
    return nullptr;
}

Truth TruthOf(const Scene& s) {
    const double k = 1.0 / s.mmPerPixel;
    const Along a = AlongOf(s);
    auto column = [&](double mm) { return s.tipColumn + mm * k; };
    Truth t;
    t.ringLeftColumn = column(s.ringPlace);
    t.ringRightColumn = HasRing(s) ? column(s.ringPlace + s.ringWidth) : t.ringLeftColumn;
    t.ringHeight = HasRing(s) ? s.ringOuterDiameter * k : 0.0;
    t.tipColumn = HasRing(s) ? std::min(s.tipColumn, t.ringLeftColumn) : s.tipColumn;
    t.pointEndColumn = column(a.pointEnd);
    t.topEdgeRow = s.axisRow - s.bodyDiameter / 2.0 * k;
    t.bottomEdgeRow = s.axisRow + s.bodyDiameter / 2.0 * k;
    t.bodyHeight = s.bodyDiameter * k;
    t.bodyEndColumn = column(a.bodyEnd);
    t.shankStartColumn = column(a.neckEnd);
    t.shankHeight = s.shankDiameter * k;
    t.drillEndColumn = column(a.end);
    return t;
}

std::vector<float> Coverage(const Scene& scene, int width, int height) {
    if (width <= 0 || height <= 0)
        return {};
    std::vector<float> picture(static_cast<std::size_t>(width) * height, 0.0f);
    const std::vector<Piece> profile = Profile(scene);
    Column column(height, scene.axisRow);
    std::size_t first = 0;
    for (int x = 0; x < width; ++x) {
        const double left = x - 0.5, right = x + 0.5;
        while (first < profile.size() && profile[first].x1 <= left)
            ++first;
        bool touched = false;
        for (std::size_t i = first; i < profile.size() && profile[i].x0 < right; ++i) {
            const Piece& p = profile[i];
            const double xa = std::max(p.x0, left), xb = std::min(p.x1, right);
            if (!(xb > xa))
                continue;
            if (!touched) {
                column.Clear();
                touched = true;
            }
            column.Add(xa, xb, p.At(xa), p.At(xb));
        }
        if (touched)
            column.Emit(picture.data(), width, x);
    }
    return picture;
}

void Blur(std::vector<float>& picture, int width, int height, double sigma) {
    if (!(sigma > 0.0) || width <= 0 || height <= 0)
        return;
    const int radius = std::max(1, static_cast<int>(std::ceil(4.0 * sigma)));
    std::vector<float> kernel(2 * radius + 1);
    double sum = 0.0;
    for (int k = -radius; k <= radius; ++k)
        sum += std::exp(-0.5 * k * k / (sigma * sigma));
    for (int k = -radius; k <= radius; ++k)
        kernel[k + radius] = static_cast<float>(std::exp(-0.5 * k * k / (sigma * sigma)) / sum);

    // Rows of zeros (the open back light of a coverage picture) stay zero
    // along the rows, and so does a row with only such rows around it.
    std::vector<char> empty(height);
    for (int y = 0; y < height; ++y) {
        const float* row = picture.data() + static_cast<std::size_t>(y) * width;
        empty[y] = std::all_of(row, row + width, [](float v) { return v == 0.0f; });
    }

    // Along the rows, through a row padded with its border values.
    std::vector<float> padded(width + 2 * radius);
    for (int y = 0; y < height; ++y) {
        if (empty[y])
            continue;
        float* row = picture.data() + static_cast<std::size_t>(y) * width;
        std::fill(padded.begin(), padded.begin() + radius, row[0]);
        std::copy(row, row + width, padded.begin() + radius);
        std::fill(padded.begin() + radius + width, padded.end(), row[width - 1]);
        for (int x = 0; x < width; ++x) {
            const float* p = padded.data() + x;
            float v = 0.0f;
            for (int k = 0; k <= 2 * radius; ++k)
                v += kernel[k] * p[k];
            row[x] = v;
        }
    }
    // Down the columns, a row at a time.
    std::vector<float> out(picture.size(), 0.0f);
    for (int y = 0; y < height; ++y) {
        float* dst = out.data() + static_cast<std::size_t>(y) * width;
        for (int k = -radius; k <= radius; ++k) {
            const int from = std::clamp(y + k, 0, height - 1);
            if (empty[from])
                continue;
            const float* src = picture.data() + static_cast<std::size_t>(from) * width;
            const float w = kernel[k + radius];
            for (int x = 0; x < width; ++x)
                dst[x] += w * src[x];
        }
    }
    picture.swap(out);
}

std::vector<Speck> SpecksOf(const Scene& scene, int width, int height) {
    if (scene.dustSpecks <= 0)
        return {};
    return PlaceSpecks(scene, Coverage(scene, width, height), width, height);
}

double BackLightAt(const Scene& s, int width, int height, double x, double y) {
    const double right = s.backgroundRight >= 0.0 ? s.backgroundRight : s.background;
    const double across = width > 1 ? x / (width - 1.0) : 0.0;
    double light = s.background + (right - s.background) * across;
    if (s.vignetting > 0.0) {
        const double cx = 0.5 * (width - 1.0), cy = 0.5 * (height - 1.0);
        const double corner = cx * cx + cy * cy;
        if (corner > 0.0)
            light *= 1.0 - s.vignetting * ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / corner;
    }
    return light;
}

std::vector<float> CleanPicture(const Scene& scene, int width, int height) {
    std::vector<float> picture = Coverage(scene, width, height);
    if (scene.dustSpecks > 0)
        AddSpecks(PlaceSpecks(scene, picture, width, height), picture, width, height);
    Blur(picture, width, height, scene.blurSigma);
    const double dark = scene.silhouette;
    const bool even = (scene.backgroundRight < 0.0 || scene.backgroundRight == scene.background) &&
                      scene.vignetting == 0.0;
    if (even) {
        const float bright = static_cast<float>(scene.background);
        const float contrast = static_cast<float>(scene.background - dark);
        for (float& v : picture)
            v = bright - contrast * v;
        return picture;
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float& v = picture[static_cast<std::size_t>(y) * width + x];
            const double light = BackLightAt(scene, width, height, x, y);
            v = static_cast<float>(light - (light - dark) * v);
        }
    return picture;
}

void Expose(const std::vector<float>& clean, const Scene& scene, uint64_t frame, uint8_t* out,
            int bytesPerPixel) {
    const std::size_t n = clean.size();
    const double sigma = scene.noiseSigma;
    if (!(sigma > 0.0)) {
        for (std::size_t i = 0; i < n; ++i)
            Put(out, i, bytesPerPixel, Quantize(clean[i]));
        return;
    }
    Random random(scene.seed, frame);
    const Ziggurat& normal = Ziggurat::Tables();
    for (std::size_t i = 0; i < n; ++i)
        Put(out, i, bytesPerPixel, Quantize(clean[i] + sigma * normal.Normal(random)));
}

void DrawCut(const Scene& scene, int width, int height, uint8_t* out, int bytesPerPixel) {
    const int c = scene.cutColumn;
    if (c < 0 || width < 2)
        return;
    for (int y = 0; y < height; ++y)
        for (int x = std::max(c - 1, 0); x <= std::min(c, width - 2); ++x)
            Put(out, static_cast<std::size_t>(y) * width + x, bytesPerPixel, 255);
}

std::vector<uint8_t> RenderFrame(const Scene& scene, int width, int height, uint64_t frame) {
    const std::vector<float> clean = CleanPicture(scene, width, height);
    std::vector<uint8_t> out(clean.size());
    Expose(clean, scene, frame, out.data(), 1);
    DrawCut(scene, width, height, out.data(), 1);
    return out;
}

void SceneCamera::SetScene(const Scene& scene) {
    if (!SameClean(scene, scene_))
        fresh_ = false;
    scene_ = scene;
}

void SceneCamera::Frame(int width, int height, uint64_t frame, uint8_t* out, int bytesPerPixel) {
    if (!fresh_ || width != width_ || height != height_) {
        clean_ = CleanPicture(scene_, width, height);
        width_ = width;
        height_ = height;
        fresh_ = true;
    }
    Expose(clean_, scene_, frame, out, bytesPerPixel);
    DrawCut(scene_, width, height, out, bytesPerPixel);
}

} // namespace drill_scene
