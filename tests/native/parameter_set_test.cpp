#include "params/parameter_set.h"

#include <gtest/gtest.h>

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
    bytes[250] = 0x5A;  // reserved bytes travel unchanged
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

TEST(ParameterSet, OperatorBlockFieldsSitAtTheirOffsets) {
    OperatorBytes bytes{};
    PutI32(bytes, 0, 77);
    PutI32(bytes, 4, 0x80000003u);
    PutI32(bytes, 8, 1);
    PutI32(bytes, 12, 1);
    std::memcpy(&bytes[16 + 20 * 9], "last", 5);
    std::memcpy(&bytes[316], "text316", 8);
    PutI32(bytes, 416, 3);
    bytes[499] = 9;
    OperatorBlock b;
    Decode(bytes, b);
    EXPECT_EQ(b.LoginWord0, 77);
    EXPECT_EQ(b.OperatorRights, 0x80000003u);
    EXPECT_EQ(b.LanguageIndex, 1);
    EXPECT_STREQ(b.LoginTexts[9].data(), "last");
    EXPECT_STREQ(b.LoginText316.data(), "text316");
    EXPECT_EQ(b.WindowFlags, 3u);
    EXPECT_EQ(Encode(b), bytes);
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
