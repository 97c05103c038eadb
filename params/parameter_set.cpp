#include "params/parameter_set.h"

#include <cstring>

namespace station {
namespace {

// Field-by-field little-endian writer and reader over a fixed block.
template <std::size_t N> class Writer {
  public:
    explicit Writer(std::array<uint8_t, N>& out) : out_(out) {}
    void U32(std::size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out_[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    void I32(std::size_t at, int32_t v) { U32(at, static_cast<uint32_t>(v)); }
    void F64(std::size_t at, double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        for (int i = 0; i < 8; ++i)
            out_[at + i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    void U8(std::size_t at, uint8_t v) { out_[at] = v; }
    template <std::size_t M> void Bytes(std::size_t at, const std::array<uint8_t, M>& v) {
        std::memcpy(&out_[at], v.data(), M);
    }
    template <std::size_t M> void Chars(std::size_t at, const std::array<char, M>& v) {
        std::memcpy(&out_[at], v.data(), M);
    }

  private:
    std::array<uint8_t, N>& out_;
};

template <std::size_t N> class Reader {
  public:
    explicit Reader(const std::array<uint8_t, N>& in) : in_(in) {}
    uint32_t U32(std::size_t at) const {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<uint32_t>(in_[at + i]) << (8 * i);
        return v;
    }
    int32_t I32(std::size_t at) const { return static_cast<int32_t>(U32(at)); }
    double F64(std::size_t at) const {
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= static_cast<uint64_t>(in_[at + i]) << (8 * i);
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }
    uint8_t U8(std::size_t at) const { return in_[at]; }
    template <std::size_t M> void Bytes(std::size_t at, std::array<uint8_t, M>& v) const {
        std::memcpy(v.data(), &in_[at], M);
    }
    template <std::size_t M> void Chars(std::size_t at, std::array<char, M>& v) const {
        std::memcpy(v.data(), &in_[at], M);
    }

  private:
    const std::array<uint8_t, N>& in_;
};

} // namespace

StationBytes Encode(const StationBlock& b) {
    StationBytes out{};
    Writer w(out);
    w.Chars(0, b.MaterialName);
    w.Chars(100, b.SpareText);
    w.Bytes(200, b.reserved200);
    w.F64(600, b.EdgePosM);
    w.F64(608, b.EdgePosN);
    w.F64(616, b.CalMmPerPixel);
    w.F64(624, b.MoveX);
    w.F64(632, b.StdLength);
    w.F64(640, b.InitMoveX);
    w.F64(648, b.StdRingPosition);
    w.F64(656, b.StdDiameter);
    for (int i = 0; i < 4; ++i)
        w.F64(664 + 8 * i, b.DiameterMmPerPixel[i]);
    w.Bytes(696, b.reserved696);
    w.U8(1400, b.AutoSaveOk);
    w.U8(1401, b.AutoSaveNg);
    w.Bytes(1402, b.reserved1402);
    return out;
}

void Decode(const StationBytes& in, StationBlock& b) {
    Reader r(in);
    r.Chars(0, b.MaterialName);
    r.Chars(100, b.SpareText);
    r.Bytes(200, b.reserved200);
    b.EdgePosM = r.F64(600);
    b.EdgePosN = r.F64(608);
    b.CalMmPerPixel = r.F64(616);
    b.MoveX = r.F64(624);
    b.StdLength = r.F64(632);
    b.InitMoveX = r.F64(640);
    b.StdRingPosition = r.F64(648);
    b.StdDiameter = r.F64(656);
    for (int i = 0; i < 4; ++i)
        b.DiameterMmPerPixel[i] = r.F64(664 + 8 * i);
    r.Bytes(696, b.reserved696);
    b.AutoSaveOk = r.U8(1400);
    b.AutoSaveNg = r.U8(1401);
    r.Bytes(1402, b.reserved1402);
}

OperatorBytes Encode(const OperatorBlock& b) {
    OperatorBytes out{};
    Writer w(out);
    w.I32(0, b.LoginWord0);
    w.U32(4, b.OperatorRights);
    w.I32(8, b.LoginWord8);
    w.I32(12, b.LanguageIndex);
    for (int i = 0; i < 10; ++i)
        w.Chars(16 + 20 * i, b.LoginTexts[i]);
    w.Chars(216, b.LoginText216);
    w.Chars(316, b.LoginText316);
    w.U32(416, b.WindowFlags);
    w.Bytes(420, b.reserved420);
    return out;
}

void Decode(const OperatorBytes& in, OperatorBlock& b) {
    Reader r(in);
    b.LoginWord0 = r.I32(0);
    b.OperatorRights = r.U32(4);
    b.LoginWord8 = r.I32(8);
    b.LanguageIndex = r.I32(12);
    for (int i = 0; i < 10; ++i)
        r.Chars(16 + 20 * i, b.LoginTexts[i]);
    r.Chars(216, b.LoginText216);
    r.Chars(316, b.LoginText316);
    b.WindowFlags = r.U32(416);
    r.Bytes(420, b.reserved420);
}

MaterialBytes Encode(const MaterialRecord& b) {
    MaterialBytes out{};
    Writer w(out);
    w.I32(0, b.OkCount);
    w.I32(4, b.NgCount);
    w.I32(8, b.DiameterRangeX1);
    w.I32(12, b.DiameterRangeX2);
    w.Bytes(16, b.reserved16);
    w.F64(400, b.OffsetX);
    w.Bytes(408, b.reserved408);
    w.F64(432, b.UpTol);
    w.F64(440, b.LowTol);
    w.F64(448, b.DrillLength);
    w.F64(456, b.DrillLengthUpTol);
    w.F64(464, b.DrillLengthLowTol);
    w.F64(472, b.Diameter);
    w.F64(480, b.DiameterUpTol);
    w.F64(488, b.DiameterLowTol);
    w.Bytes(496, b.reserved496);
    w.F64(504, b.DiameterOffset);
    w.F64(512, b.DrillLengthOffset);
    w.F64(520, b.RingPosition);
    w.Bytes(528, b.reserved528);
    w.U8(1200, b.DiameterAtGreenLine);
    w.Bytes(1201, b.reserved1201);
    return out;
}

void Decode(const MaterialBytes& in, MaterialRecord& b) {
    Reader r(in);
    b.OkCount = r.I32(0);
    b.NgCount = r.I32(4);
    b.DiameterRangeX1 = r.I32(8);
    b.DiameterRangeX2 = r.I32(12);
    r.Bytes(16, b.reserved16);
    b.OffsetX = r.F64(400);
    r.Bytes(408, b.reserved408);
    b.UpTol = r.F64(432);
    b.LowTol = r.F64(440);
    b.DrillLength = r.F64(448);
    b.DrillLengthUpTol = r.F64(456);
    b.DrillLengthLowTol = r.F64(464);
    b.Diameter = r.F64(472);
    b.DiameterUpTol = r.F64(480);
    b.DiameterLowTol = r.F64(488);
    r.Bytes(496, b.reserved496);
    b.DiameterOffset = r.F64(504);
    b.DrillLengthOffset = r.F64(512);
    b.RingPosition = r.F64(520);
    r.Bytes(528, b.reserved528);
    b.DiameterAtGreenLine = r.U8(1200);
    r.Bytes(1201, b.reserved1201);
}

void ParameterSet::SetDefaults(int loginWord) {
    station = StationBlock{};
    op = OperatorBlock{};
    op.LoginWord0 = ((loginWord % 256) + 256) % 256;
    material = MaterialRecord{};
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

} // namespace station
