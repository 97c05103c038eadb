#include "params/parameter_set.h"

#include <atomic>
#include <cstring>

namespace station {
namespace {

// Writes or reads one field at its offset, little-endian.
template <std::size_t N> class Writer {
  public:
    explicit Writer(std::array<uint8_t, N>& out) : out_(out) {}
    void operator()(std::size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out_[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    void operator()(std::size_t at, int32_t v) { (*this)(at, static_cast<uint32_t>(v)); }
    void operator()(std::size_t at, double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        for (int i = 0; i < 8; ++i)
            out_[at + i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    void operator()(std::size_t at, uint8_t v) { out_[at] = v; }
    template <class T, std::size_t M> void operator()(std::size_t at, const std::array<T, M>& v) {
        static_assert(sizeof(T) == 1, "byte and text fields only");
        std::memcpy(&out_[at], v.data(), M);
    }

  private:
    std::array<uint8_t, N>& out_;
};

template <std::size_t N> class Reader {
  public:
    explicit Reader(const std::array<uint8_t, N>& in) : in_(in) {}
    void operator()(std::size_t at, uint32_t& v) const {
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(in_[at + i]) << (8 * i);
    }
    void operator()(std::size_t at, int32_t& v) const {
        uint32_t u;
        (*this)(at, u);
        v = static_cast<int32_t>(u);
    }
    void operator()(std::size_t at, double& v) const {
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= static_cast<uint64_t>(in_[at + i]) << (8 * i);
        std::memcpy(&v, &bits, 8);
    }
    void operator()(std::size_t at, uint8_t& v) const { v = in_[at]; }
    template <class T, std::size_t M> void operator()(std::size_t at, std::array<T, M>& v) const {
        static_assert(sizeof(T) == 1, "byte and text fields only");
        std::memcpy(v.data(), &in_[at], M);
    }

  private:
    const std::array<uint8_t, N>& in_;
};

// Each block's fields with their offsets, once, for writing and reading.
template <class B, class F> void StationFields(B& b, F&& f) {
    f(0, b.MaterialName);
    f(100, b.SpareText);
    f(200, b.reserved200);
    f(600, b.EdgePosM);
    f(608, b.EdgePosN);
    f(616, b.CalMmPerPixel);
    f(624, b.MoveX);
    f(632, b.StdLength);
    f(640, b.InitMoveX);
    f(648, b.StdRingPosition);
    f(656, b.StdDiameter);
    for (std::size_t i = 0; i < 4; ++i)
        f(664 + 8 * i, b.DiameterMmPerPixel[i]);
    f(696, b.reserved696);
    f(1400, b.AutoSaveOk);
    f(1401, b.AutoSaveNg);
    f(1402, b.reserved1402);
}

template <class B, class F> void OperatorFields(B& b, F&& f) {
    f(0, b.LoginWord0);
    f(4, b.OperatorRights);
    f(8, b.LoginWord8);
    f(12, b.LanguageIndex);
    for (std::size_t i = 0; i < 10; ++i)
        f(16 + 20 * i, b.LoginTexts[i]);
    f(216, b.LoginText216);
    f(316, b.LoginText316);
    f(416, b.WindowFlags);
    f(420, b.reserved420);
}

template <class B, class F> void MaterialFields(B& b, F&& f) {
    f(0, b.OkCount);
    f(4, b.NgCount);
    f(8, b.DiameterRangeX1);
    f(12, b.DiameterRangeX2);
    f(16, b.reserved16);
    f(400, b.OffsetX);
    f(408, b.reserved408);
    f(432, b.UpTol);
    f(440, b.LowTol);
    f(448, b.DrillLength);
    f(456, b.DrillLengthUpTol);
    f(464, b.DrillLengthLowTol);
    f(472, b.Diameter);
    f(480, b.DiameterUpTol);
    f(488, b.DiameterLowTol);
    f(496, b.reserved496);
    f(504, b.DiameterOffset);
    f(512, b.DrillLengthOffset);
    f(520, b.RingPosition);
    f(528, b.reserved528);
    f(1200, b.DiameterAtGreenLine);
    f(1201, b.reserved1201);
}

} // namespace

StationBytes Encode(const StationBlock& b) {
    StationBytes out{};
    StationFields(b, Writer(out));
    return out;
}

void Decode(const StationBytes& in, StationBlock& b) {
    StationFields(b, Reader(in));
}

OperatorBytes Encode(const OperatorBlock& b) {
    OperatorBytes out{};
    OperatorFields(b, Writer(out));
    return out;
}

void Decode(const OperatorBytes& in, OperatorBlock& b) {
    OperatorFields(b, Reader(in));
}

MaterialBytes Encode(const MaterialRecord& b) {
    MaterialBytes out{};
    MaterialFields(b, Writer(out));
    return out;
}

void Decode(const MaterialBytes& in, MaterialRecord& b) {
    MaterialFields(b, Reader(in));
}

void ParameterSet::SetDefaults(int loginWord) {
    station = StationBlock{};
    op = OperatorBlock{};
    op.LoginWord0 = ((loginWord % 256) + 256) % 256;
    material = MaterialRecord{};
}

namespace {
std::atomic<ParameterSet*> gPublished{nullptr};
}

ParameterSet* PublishedParameters() {
    return gPublished.load();
}
void PublishParameters(ParameterSet* set) {
    gPublished = set;
}

void SetText(Text100& field, const char* text) {
    field.fill(0);
    if (!text)
        return;
    std::size_t n = std::strlen(text);
    if (n > kTextSize - 1)
        n = kTextSize - 1;
    std::memcpy(field.data(), text, n);
}

std::vector<uint8_t> EncodeParameterFile(const ParameterSet& set) {
    std::vector<uint8_t> bytes;
    bytes.reserve(kParameterFileSize);
    const StationBytes st = Encode(set.station);
    const OperatorBytes op = Encode(set.op);
    const MaterialBytes mr = Encode(set.material);
    bytes.insert(bytes.end(), st.begin(), st.end());
    bytes.insert(bytes.end(), op.begin(), op.end());
    bytes.insert(bytes.end(), mr.begin(), mr.end());
    return bytes;
}

} // namespace station
