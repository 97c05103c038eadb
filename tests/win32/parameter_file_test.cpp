// Kest.cfg and Kest.INI as the real station reads and writes them.
#include "tests/win32/station_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

using namespace testing_station;

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ParameterFileWith(double initMoveX, int32_t language) {
    std::string b(3308, '\0');
    std::memcpy(&b[640], &initMoveX, 8);
    const int32_t one = 1;
    std::memcpy(&b[1504 + 8], &one, 4);
    std::memcpy(&b[1504 + 12], &language, 4);
    return b;
}

int32_t I32At(const std::vector<uint8_t>& b, std::size_t at) {
    int32_t v;
    std::memcpy(&v, &b[at], 4);
    return v;
}

const char* kIni = "[Basic]\r\ndShowModal=1\r\n[Motion]\r\nPitchX=5\r\nPulseX=10000\r\n";

} // namespace

TEST(ParameterFile, FirstRunReportsTheMissingFileAndClosingWritesIt) {
    StationCopy copy;
    copy.WriteFile("Kest.INI", kIni);
    copy.RemoveFile("Kest.cfg");
    MessageBoxOperator answers;
    Vardel station(copy.dir());
    ASSERT_EQ(station.Open(), 0);
    Pump(300);
    const auto texts = answers.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Parameter Read error...\n" + copy.Path("Kest.cfg"));
    EXPECT_EQ(station.GetParametr(0), 0);
    ASSERT_EQ(station.Dialog(1), 0);  // the language reaches the record
    EXPECT_EQ(station.Close(), 0);
    const auto cfg = ReadAll(copy.Path("Kest.cfg"));
    ASSERT_EQ(cfg.size(), 3308u);
    EXPECT_EQ(I32At(cfg, 1504 + 12), 1);
    EXPECT_EQ(I32At(cfg, 1504 + 8), 1);
    EXPECT_EQ(GetFileAttributesA(copy.Path("Kest.cfg.new").c_str()), INVALID_FILE_ATTRIBUTES);
    // A second open reads it without a word.
    ASSERT_EQ(station.Open(), 0);
    Pump(200);
    EXPECT_EQ(answers.Texts().size(), 1u);
    EXPECT_EQ(station.Close(), 0);
}

TEST(ParameterFile, InitialPushInPulsesComesFromTheRecordAndTheSettings) {
    StationCopy copy;
    copy.WriteFile("Kest.INI", kIni);
    copy.WriteFile("Kest.cfg", ParameterFileWith(2.5, 0));
    MessageBoxOperator answers;
    Vardel station(copy.dir());
    ASSERT_EQ(station.Open(), 0);
    EXPECT_EQ(station.GetParametr(0), 5000);  // 2.5 mm x 2000 pulses/mm
    station.Close();
    copy.WriteFile("Kest.cfg", ParameterFileWith(-0.00075, 0));
    ASSERT_EQ(station.Open(), 0);
    EXPECT_EQ(station.GetParametr(0), -2);  // -1.5 pulses, halves away from zero
    station.Close();
    // A settings value of 150 characters counts with its first 99 only.
    copy.WriteFile("Kest.INI", "[Motion]\r\nPitchX=1\r\nPulseX=" + std::string(98, '0') + "1" +
                                   std::string(51, '0') + "\r\n");
    copy.WriteFile("Kest.cfg", ParameterFileWith(2500, 0));
    ASSERT_EQ(station.Open(), 0);
    EXPECT_EQ(station.GetParametr(0), 2500);
    station.Close();
    EXPECT_TRUE(answers.Texts().empty());
}

TEST(ParameterFile, AFailedSaveIsReportedAndTheOldFileStaysWhole) {
    StationCopy copy;
    copy.WriteFile("Kest.INI", kIni);
    const std::string old = ParameterFileWith(1.0, 1);
    copy.WriteFile("Kest.cfg", old);
    MessageBoxOperator answers;
    Vardel station(copy.dir());
    ASSERT_EQ(station.Open(), 0);
    ASSERT_EQ(station.Dialog(0), 0);
    // The replacement cannot be written now: a folder stands in its way.
    ASSERT_TRUE(CreateDirectoryA(copy.Path("Kest.cfg.new").c_str(), nullptr));
    EXPECT_EQ(station.Close(), 0);
    Pump(300);
    const auto texts = answers.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Parameter Write error...");
    const auto cfg = ReadAll(copy.Path("Kest.cfg"));
    EXPECT_EQ(std::string(cfg.begin(), cfg.end()), old);
    RemoveDirectoryA(copy.Path("Kest.cfg.new").c_str());
}
