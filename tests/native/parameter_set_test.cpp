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

TEST(ParameterSet, MaterialRecordFieldsSitAtTheirOffsets) {
    MaterialBytes bytes{};
    PutI32(bytes, 0, 12);
    PutI32(bytes, 4, static_cast<uint32_t>(-3));
    PutI32(bytes, 8, 310);
    PutI32(bytes, 12, 420);
    const std::size_t at[] = {400, 432, 440, 448, 456, 464, 472, 480, 488, 504, 512, 520};
    for (std::size_t i = 0; i < 12; ++i)
        PutF64(bytes, at[i], 0.5 + static_cast<double>(i));
    bytes[1200] = 1;
    bytes[1303] = 0x42;
    MaterialRecord m;
    Decode(bytes, m);
    EXPECT_EQ(m.OkCount, 12);
    EXPECT_EQ(m.NgCount, -3);
    EXPECT_EQ(m.DiameterRangeX1, 310);
    EXPECT_EQ(m.DiameterRangeX2, 420);
    EXPECT_EQ(m.OffsetX, 0.5);
    EXPECT_EQ(m.UpTol, 1.5);
    EXPECT_EQ(m.LowTol, 2.5);
    EXPECT_EQ(m.DrillLength, 3.5);
    EXPECT_EQ(m.DiameterLowTol, 8.5);
    EXPECT_EQ(m.DiameterOffset, 9.5);
    EXPECT_EQ(m.DrillLengthOffset, 10.5);
    EXPECT_EQ(m.RingPosition, 11.5);
    EXPECT_EQ(m.DiameterAtGreenLine, 1);
    EXPECT_EQ(Encode(m), bytes);
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
