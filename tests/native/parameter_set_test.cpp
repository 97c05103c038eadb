#include "params/parameter_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace station;

namespace {

template <std::size_t N> void PutF64(std::array<uint8_t, N>& b, std::size_t at, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i)
        b[at + i] = static_cast<uint8_t>(bits >> (8 * i));
}

template <std::size_t N> void PutI32(std::array<uint8_t, N>& b, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

TEST(ParameterSet, StationBlockFieldsSitAtTheirOffsets) {
    StationBytes bytes{};
    std::memcpy(&bytes[0], "AB12", 5);
    std::memcpy(&bytes[100], "spare", 6);
    bytes[250] = 0x5A; // reserved bytes travel unchanged
    const double values[] = {1.5, 2.5, 0.0125, 3.25, 38.1, 2.5, 1.75, 3.175};
    for (int i = 0; i < 8; ++i)
        PutF64(bytes, 600 + 8 * i, values[i]);
    for (int i = 0; i < 4; ++i)
        PutF64(bytes, 664 + 8 * i, 0.001 * (i + 1));
    bytes[1000] = 0x77;
    bytes[1400] = 1;
    bytes[1401] = 2;
    bytes[1503] = 0xEE;

    StationBlock b;
    Decode(bytes, b);
    EXPECT_STREQ(b.MaterialName.data(), "AB12");
    EXPECT_STREQ(b.SpareText.data(), "spare");
    EXPECT_EQ(b.EdgePosM, 1.5);
    EXPECT_EQ(b.EdgePosN, 2.5);
    EXPECT_EQ(b.CalMmPerPixel, 0.0125);
    EXPECT_EQ(b.MoveX, 3.25);
    EXPECT_EQ(b.StdLength, 38.1);
    EXPECT_EQ(b.InitMoveX, 2.5);
    EXPECT_EQ(b.StdRingPosition, 1.75);
    EXPECT_EQ(b.StdDiameter, 3.175);
    EXPECT_EQ(b.DiameterMmPerPixel[3], 0.004);
    EXPECT_EQ(b.AutoSaveOk, 1);
    EXPECT_EQ(b.AutoSaveNg, 2);
    EXPECT_EQ(Encode(b), bytes);
}

// Every byte of the block gets a value of its own place, so a field read
// from a neighbouring offset, or a byte that is lost, shows.
TEST(ParameterSet, OperatorBlockFieldsSitAtTheirOffsets) {
    OperatorBytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3 + i / 256);
    PutI32(bytes, 0, 0x11223344u);
    PutI32(bytes, 4, 0x80000003u);
    PutI32(bytes, 8, 0x0A0B0C0Du);
    PutI32(bytes, 12, 0x00000002u);
    PutI32(bytes, 416, 0xC0DEF00Du);
    OperatorBlock b;
    Decode(bytes, b);
    EXPECT_EQ(b.LoginWord0, 0x11223344);
    EXPECT_EQ(b.OperatorRights, 0x80000003u);
    EXPECT_EQ(b.LoginWord8, 0x0A0B0C0D);
    EXPECT_EQ(b.LanguageIndex, 2);
    for (std::size_t t = 0; t < 10; ++t)
        for (std::size_t i = 0; i < 20; ++i)
            EXPECT_EQ(static_cast<uint8_t>(b.LoginTexts[t][i]), bytes[16 + 20 * t + i])
                << "text " << t << " byte " << i;
    for (std::size_t i = 0; i < 100; ++i) {
        EXPECT_EQ(static_cast<uint8_t>(b.LoginText216[i]), bytes[216 + i]) << i;
        EXPECT_EQ(static_cast<uint8_t>(b.LoginText316[i]), bytes[316 + i]) << i;
    }
    EXPECT_EQ(b.WindowFlags, 0xC0DEF00Du);
    for (std::size_t i = 0; i < 80; ++i)
        EXPECT_EQ(b.reserved420[i], bytes[420 + i]) << i;
    EXPECT_EQ(Encode(b), bytes);
    // And from the fields to the bytes: a block built field by field.
    OperatorBlock c;
    c.LoginWord0 = -5;
    c.OperatorRights = 0x01020304u;
    c.LoginWord8 = 0x7FFFFFFF;
    c.LanguageIndex = -1;
    for (std::size_t t = 0; t < 10; ++t)
        c.LoginTexts[t].fill(static_cast<char>('A' + t));
    c.LoginText216.fill('x');
    c.LoginText316.fill('y');
    c.WindowFlags = 0xFFFFFFFEu;
    c.reserved420.fill(0x5C);
    const OperatorBytes out = Encode(c);
    OperatorBytes expected{};
    PutI32(expected, 0, static_cast<uint32_t>(-5));
    PutI32(expected, 4, 0x01020304u);
    PutI32(expected, 8, 0x7FFFFFFFu);
    PutI32(expected, 12, 0xFFFFFFFFu);
    for (std::size_t t = 0; t < 10; ++t)
        std::fill(expected.begin() + 16 + 20 * t, expected.begin() + 36 + 20 * t,
                  static_cast<uint8_t>('A' + t));
    std::fill(expected.begin() + 216, expected.begin() + 316, 'x');
    std::fill(expected.begin() + 316, expected.begin() + 416, 'y');
    PutI32(expected, 416, 0xFFFFFFFEu);
    std::fill(expected.begin() + 420, expected.end(), 0x5C);
    EXPECT_EQ(out, expected);
}

namespace {

// The material record's layout as the stored files have it: every field at
// its offset in the 1304 bytes, each with a value of its own.
struct IntField {
    std::size_t at;
    int32_t MaterialRecord::*field;
    int32_t value;
};
const IntField kMaterialInts[] = {
    {0, &MaterialRecord::OkCount, 0x01020304},
    {4, &MaterialRecord::NgCount, -0x0A0B0C0D},
    {8, &MaterialRecord::DiameterRangeX1, 0x11121314},
    {12, &MaterialRecord::DiameterRangeX2, 0x21222324},
};
struct RealField {
    std::size_t at;
    double MaterialRecord::*field;
    double value;
};
const RealField kMaterialReals[] = {
    {400, &MaterialRecord::OffsetX, 0.125},
    {432, &MaterialRecord::UpTol, 0.0375},
    {440, &MaterialRecord::LowTol, -0.0425},
    {448, &MaterialRecord::DrillLength, 38.1},
    {456, &MaterialRecord::DrillLengthUpTol, 0.3},
    {464, &MaterialRecord::DrillLengthLowTol, -0.35},
    {472, &MaterialRecord::Diameter, 3.175},
    {480, &MaterialRecord::DiameterUpTol, 0.011},
    {488, &MaterialRecord::DiameterLowTol, -0.013},
    {504, &MaterialRecord::DiameterOffset, 0.0021},
    {512, &MaterialRecord::DrillLengthOffset, -1.5e-3},
    {520, &MaterialRecord::RingPosition, 7.75},
};
constexpr std::size_t kGreenLineAt = 1200;
// The bytes that belong to no field: kept as they were read.
struct Gap {
    std::size_t at, size;
};
const Gap kMaterialGaps[] = {{16, 384}, {408, 24}, {496, 8}, {528, 672}, {1201, 103}};

uint32_t I32At(const MaterialBytes& b, std::size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | b[at + i];
    return v;
}
uint64_t F64BitsAt(const MaterialBytes& b, std::size_t at) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | b[at + i];
    return v;
}
uint64_t BitsOf(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return bits;
}

} // namespace

TEST(ParameterSet, MaterialRecordLayoutCoversTheWholeRecord) {
    // The table above leaves no byte out and names none twice.
    std::array<int, MaterialRecord::kSize> owners{};
    for (const auto& f : kMaterialInts)
        for (std::size_t i = 0; i < 4; ++i)
            ++owners[f.at + i];
    for (const auto& f : kMaterialReals)
        for (std::size_t i = 0; i < 8; ++i)
            ++owners[f.at + i];
    ++owners[kGreenLineAt];
    for (const auto& g : kMaterialGaps)
        for (std::size_t i = 0; i < g.size; ++i)
            ++owners[g.at + i];
    for (std::size_t i = 0; i < owners.size(); ++i)
        EXPECT_EQ(owners[i], 1) << "byte " << i;
}

TEST(ParameterSet, MaterialRecordFieldsSitAtTheirOffsets) {
    MaterialRecord m;
    for (const auto& f : kMaterialInts)
        m.*f.field = f.value;
    for (const auto& f : kMaterialReals)
        m.*f.field = f.value;
    m.DiameterAtGreenLine = 1;
    const MaterialBytes bytes = Encode(m);
    for (const auto& f : kMaterialInts)
        EXPECT_EQ(I32At(bytes, f.at), static_cast<uint32_t>(f.value)) << "offset " << f.at;
    for (const auto& f : kMaterialReals)
        EXPECT_EQ(F64BitsAt(bytes, f.at), BitsOf(f.value)) << "offset " << f.at;
    EXPECT_EQ(bytes[kGreenLineAt], 1);
    // A new record's reserved bytes are zero.
    for (const auto& g : kMaterialGaps)
        for (std::size_t i = 0; i < g.size; ++i)
            EXPECT_EQ(bytes[g.at + i], 0) << "byte " << g.at + i;
}

TEST(ParameterSet, MaterialRecordFieldsAreReadFromTheirOffsets) {
    // Reserved bytes carry a pattern of their own place, so a field read
    // from a neighbouring offset shows.
    MaterialBytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(0xA5 ^ (i * 13) ^ (i >> 8));
    for (const auto& f : kMaterialInts)
        PutI32(bytes, f.at, static_cast<uint32_t>(f.value));
    for (const auto& f : kMaterialReals)
        PutF64(bytes, f.at, f.value);
    bytes[kGreenLineAt] = 0x80; // any non-zero byte is true
    MaterialRecord m;
    Decode(bytes, m);
    for (const auto& f : kMaterialInts)
        EXPECT_EQ(m.*f.field, f.value) << "offset " << f.at;
    for (const auto& f : kMaterialReals)
        EXPECT_EQ(m.*f.field, f.value) << "offset " << f.at;
    EXPECT_NE(m.DiameterAtGreenLine, 0);
    // Written again, the reserved bytes come back where they were.
    const MaterialBytes again = Encode(m);
    for (const auto& g : kMaterialGaps)
        for (std::size_t i = 0; i < g.size; ++i)
            EXPECT_EQ(again[g.at + i], bytes[g.at + i]) << "byte " << g.at + i;
}

TEST(ParameterSet, DefaultsOfANewStation) {
    ParameterSet p;
    p.SetDefaults(1234);
    EXPECT_EQ(p.op.LoginWord0, 1234 % 256);
    EXPECT_EQ(p.op.LoginWord8, 1);
    EXPECT_EQ(p.op.LanguageIndex, 0);
    EXPECT_EQ(p.op.OperatorRights, 0u);
    EXPECT_EQ(p.station.InitMoveX, 0.0);
    const auto bytes = Encode(p.material);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.end(), [](uint8_t v) { return v == 0; }));
}

TEST(ParameterSet, TextsAreCutTo99Characters) {
    Text100 t;
    SetText(t, std::string(150, 'x').c_str());
    EXPECT_EQ(std::strlen(t.data()), 99u);
    SetText(t, nullptr);
    EXPECT_EQ(t[0], 0);
}
