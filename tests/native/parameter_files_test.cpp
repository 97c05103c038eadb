#include "params/parameter_files.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace station;

namespace {

class ParameterFilesTest : public ::testing::Test {
  protected:
    ParameterFilesTest() : files_(set_, paths_, disk_, prompts_, cp950_) { set_.SetDefaults(77); }

    const std::vector<uint8_t>& Disk(const std::string& p) { return disk_.files.at(p); }

    StationPaths paths_{"C:\\Station"};
    ParameterSet set_;
    fakes::Files disk_;
    fakes::Prompts prompts_;
    Cp950 cp950_;
    ParameterFiles files_;
};

} // namespace

TEST_F(ParameterFilesTest, FirstRunReportsTheFullPathAndTheSaveIs3308Bytes) {
    files_.LoadParameterFile();
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].text, "Parameter Read error...\nC:\\Station\\Kest.cfg");
    EXPECT_EQ(prompts_.shown[0].caption, "file");
    EXPECT_EQ(prompts_.shown[0].kind, PromptsPort::Kind::Warning);
    EXPECT_EQ(set_.op.LoginWord0, 77); // defaults stay
    files_.SaveParameterFile();
    EXPECT_EQ(Disk("C:\\Station\\Kest.cfg").size(), 3308u);
    EXPECT_EQ(prompts_.shown.size(), 1u);
}

TEST_F(ParameterFilesTest, SavedFileLoadsBackIntoAFreshRecord) {
    set_.station.InitMoveX = 2.5;
    SetText(set_.station.MaterialName, "AB12");
    set_.op.LanguageIndex = 1;
    set_.material.OkCount = 41;
    files_.SaveParameterFile();
    ParameterSet other;
    other.SetDefaults(3);
    ParameterFiles reader(other, paths_, disk_, prompts_, cp950_);
    reader.LoadParameterFile();
    EXPECT_EQ(other.station.InitMoveX, 2.5);
    EXPECT_STREQ(other.station.MaterialName.data(), "AB12");
    EXPECT_EQ(other.op.LanguageIndex, 1);
    EXPECT_EQ(other.op.LoginWord0, 77);
    EXPECT_EQ(other.material.OkCount, 41);
    EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(ParameterFilesTest, ShortFileLoadsOnlyWhatItHolds) {
    std::vector<uint8_t> cfg(1504, 0);
    cfg[640 + 7] = 0x40; // InitMoveX = 2.0
    disk_.files["C:\\Station\\Kest.cfg"] = cfg;
    set_.material.NgCount = 5;
    files_.LoadParameterFile();
    EXPECT_EQ(set_.station.InitMoveX, 2.0);
    EXPECT_EQ(set_.op.LoginWord0, 77);
    EXPECT_EQ(set_.op.LoginWord8, 1);
    EXPECT_EQ(set_.material.NgCount, 5);

    // A file that ends inside the operator block: its bytes are taken, the
    // rest of the block keeps its values.
    cfg.resize(1504 + 8, 0);
    cfg[1504 + 4] = 9; // OperatorRights
    disk_.files["C:\\Station\\Kest.cfg"] = cfg;
    set_.op.LanguageIndex = 1;
    files_.LoadParameterFile();
    EXPECT_EQ(set_.op.OperatorRights, 9u);
    EXPECT_EQ(set_.op.LoginWord0, 0);
    EXPECT_EQ(set_.op.LanguageIndex, 1);
}

TEST_F(ParameterFilesTest, MaterialRecordEqualsTheTailOfTheParameterFile) {
    set_.material.DiameterRangeX1 = 310;
    set_.material.RingPosition = 1.25;
    SetText(set_.station.MaterialName, "");
    files_.SaveMaterial();
    const auto& rec = Disk("C:\\Station\\CONFIG\\.rec");
    const auto& cfg = Disk("C:\\Station\\Kest.cfg");
    ASSERT_EQ(rec.size(), 1304u);
    EXPECT_TRUE(std::equal(rec.begin(), rec.end(), cfg.begin() + 2004));

    set_.material = MaterialRecord{};
    files_.LoadMaterialRecord("C:\\Station\\CONFIG\\.rec");
    EXPECT_EQ(set_.material.DiameterRangeX1, 310);
    EXPECT_EQ(set_.material.RingPosition, 1.25);
}

TEST_F(ParameterFilesTest, MissingConfigFolderStillWritesTheParameterFile) {
    disk_.unwritableDirs.insert("C:\\Station\\CONFIG");
    SetText(set_.station.MaterialName, "ab12");
    files_.SaveMaterial();
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].text, "Parameter Write error...");
    EXPECT_EQ(disk_.files.count("C:\\Station\\CONFIG\\ab12.rec"), 0u);
    EXPECT_EQ(Disk("C:\\Station\\Kest.cfg").size(), 3308u);
}

TEST_F(ParameterFilesTest, FailedWriteIsReportedAndKeepsTheOldFile) {
    files_.SaveParameterFile();
    const auto before = Disk("C:\\Station\\Kest.cfg");
    disk_.failWrites = true;
    set_.station.InitMoveX = 9.0;
    files_.SaveParameterFile();
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].text, "Parameter Write error...");
    EXPECT_EQ(Disk("C:\\Station\\Kest.cfg"), before);
}

TEST_F(ParameterFilesTest, PathsBeyond99CharactersAreRefused) {
    SetText(set_.station.MaterialName, std::string(90, 'm').c_str());
    files_.SaveMaterial();
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].text, "Parameter Write error...");
    EXPECT_EQ(disk_.files.size(), 1u); // only Kest.cfg
    const std::string longPath = "C:\\" + std::string(100, 'x') + ".rec";
    files_.LoadMaterialRecord(longPath);
    ASSERT_EQ(prompts_.shown.size(), 2u);
    EXPECT_EQ(prompts_.shown[1].text, "Parameter Read error...\n" + longPath);
}

TEST(MaterialName, NameBeforeTheLastDot) {
    Cp950 cp;
    EXPECT_EQ(MaterialNameFromPath("C:\\Station\\CONFIG\\A.B.rec", cp), "A.B");
    EXPECT_EQ(MaterialNameFromPath("C:\\Station\\CONFIG\\noext", cp), "");
    EXPECT_EQ(MaterialNameFromPath("D:name.rec", cp), "name");
    EXPECT_EQ(MaterialNameFromPath("C:\\dir.x\\file", cp), "");
    EXPECT_EQ(MaterialNameFromPath(".rec", cp), "");
}

TEST(MaterialName, Big5TrailBytesAreNeverSeparators) {
    Cp950 cp;
    // "許" is 0xB3 0x5C in Big5: its trail byte is a backslash.
    const std::string name = "\xB3\x5C\xA5\x5C";
    EXPECT_EQ(MaterialNameFromPath("C:\\CONFIG\\" + name + ".rec", cp), name);
    // A trail byte 0x2E would be a "." in a single-byte reading.
    EXPECT_EQ(MaterialNameFromPath("C:\\CONFIG\\\xA4\x2E", cp), "");
    EXPECT_EQ(MaterialNameFromPath("C:\\CONFIG\\\xA4\x2E.rec", cp), "\xA4\x2E");
}

TEST_F(ParameterFilesTest, AMaterialRecordThatCannotBeReadChangesNothing) {
    set_.material.Diameter = 0.3;
    EXPECT_FALSE(files_.LoadMaterialRecord("C:\\Station\\CONFIG\\gone.rec"));
    EXPECT_EQ(set_.material.Diameter, 0.3);
    ASSERT_EQ(prompts_.shown.size(), 1u);
    EXPECT_EQ(prompts_.shown[0].text,
              std::string("Parameter Read error...\nC:\\Station\\CONFIG\\gone.rec"));
    const MaterialBytes whole = Encode(MaterialRecord{});
    disk_.files["C:\\Station\\CONFIG\\whole.rec"] = {whole.begin(), whole.end()};
    EXPECT_TRUE(files_.LoadMaterialRecord("C:\\Station\\CONFIG\\whole.rec"));
    EXPECT_EQ(set_.material.Diameter, 0.0);
}

// Parameter files whose texts carry no terminator: the station reads its
// material name only within the field, and keeps every byte it does not use.
struct UnterminatedTexts : ParameterFilesTest {
    std::vector<uint8_t> Load(std::vector<uint8_t> cfg) {
        disk_.files["C:\\Station\\Kest.cfg"] = cfg;
        files_.LoadParameterFile();
        files_.SaveParameterFile();
        return Disk("C:\\Station\\Kest.cfg");
    }
};

TEST_F(UnterminatedTexts, AFileOfFFBytesGivesANameOf99Bytes) {
    const std::vector<uint8_t> cfg(kParameterFileSize, 0xFF);
    const std::vector<uint8_t> saved = Load(cfg);
    // 0xFF is no lead byte of Big5: the first 99 bytes stay, then the NUL.
    EXPECT_EQ(MaterialNameText(set_.station), std::string(99, '\xFF'));
    ASSERT_EQ(saved.size(), cfg.size());
    EXPECT_EQ(saved[99], 0);
    // Everything but the name's last byte is written back as it was read.
    std::vector<uint8_t> expected = cfg;
    expected[99] = 0;
    EXPECT_EQ(saved, expected);
    EXPECT_TRUE(prompts_.shown.empty());
}

TEST_F(UnterminatedTexts, TheCutNeverSplitsADoubleByteCharacter) {
    std::vector<uint8_t> cfg(kParameterFileSize, 0);
    // Fifty Big5 characters fill the 100 bytes; the 50th cannot keep its
    // terminator, so the name ends after the 49th (98 bytes).
    for (std::size_t i = 0; i < 100; i += 2) {
        cfg[i] = 0xA4;
        cfg[i + 1] = static_cast<uint8_t>(0x40 + i / 2);
    }
    for (std::size_t i = 100; i < 200; ++i)
        cfg[i] = static_cast<uint8_t>('a' + i % 26); // the spare text, unterminated too
    const std::vector<uint8_t> saved = Load(cfg);
    const std::string name = MaterialNameText(set_.station);
    ASSERT_EQ(name.size(), 98u);
    EXPECT_EQ(name, std::string(cfg.begin(), cfg.begin() + 98));
    EXPECT_EQ(saved[98], 0);
    EXPECT_EQ(saved[99], 0);
    EXPECT_TRUE(std::equal(cfg.begin() + 100, cfg.end(), saved.begin() + 100));
    // A single-byte character in the last place is kept with its terminator.
    cfg[96] = 'x';
    cfg[97] = 'y';
    cfg[98] = 'z';
    cfg[99] = 'w';
    Load(cfg);
    EXPECT_EQ(MaterialNameText(set_.station).size(), 99u);
    EXPECT_EQ(MaterialNameText(set_.station).substr(96), "xyz");
}

TEST_F(UnterminatedTexts, ALeadByteBeforeTheLastPlaceEndsTheNameBeforeIt) {
    std::vector<uint8_t> cfg(kParameterFileSize, 0);
    std::fill(cfg.begin(), cfg.begin() + 100, 'n');
    cfg[97] = 0xA4; // lead byte at 97, its trail at 98: a whole character
    cfg[98] = 0xA4;
    cfg[99] = 0xA4; // a lead byte that would need the terminator's place
    Load(cfg);
    EXPECT_EQ(MaterialNameText(set_.station), std::string(97, 'n') + "\xA4\xA4");
}

TEST_F(UnterminatedTexts, OperatorTextsAndTerminatedNamesKeepEveryByte) {
    std::vector<uint8_t> cfg(kParameterFileSize, 0);
    for (std::size_t i = 0; i < cfg.size(); ++i)
        cfg[i] = static_cast<uint8_t>(1 + i % 250);
    cfg[10] = 0; // a terminated name: the bytes after its NUL stay too
    const std::vector<uint8_t> saved = Load(cfg);
    EXPECT_EQ(saved, cfg);
    EXPECT_EQ(MaterialNameText(set_.station), std::string(cfg.begin(), cfg.begin() + 10));
}

TEST_F(UnterminatedTexts, SaveMaterialUsesTheNameWithinItsField) {
    std::vector<uint8_t> cfg(kParameterFileSize, 0);
    std::fill(cfg.begin(), cfg.begin() + 200, 'k'); // name and spare text run together
    disk_.files["C:\\Station\\Kest.cfg"] = cfg;
    files_.LoadParameterFile();
    EXPECT_EQ(MaterialNameText(set_.station), std::string(99, 'k'));
    EXPECT_EQ(BoundedText(set_.station.SpareText), std::string(100, 'k')); // kept as read
    // CONFIG\ + 99 characters + .rec is beyond the path buffer: refused.
    files_.SaveMaterial();
    ASSERT_FALSE(prompts_.shown.empty());
    EXPECT_EQ(prompts_.shown[0].text, kWriteError);
    for (const auto& [path, bytes] : disk_.files)
        EXPECT_LE(path.size(), kPathMaxChars) << path;
    // A name that is cut but fits gives its own file.
    std::fill(cfg.begin(), cfg.begin() + 100, 0);
    std::fill(cfg.begin(), cfg.begin() + 10, 'k');
    std::fill(cfg.begin() + 10, cfg.begin() + 100, 0);
    disk_.files["C:\\Station\\Kest.cfg"] = cfg;
    files_.LoadParameterFile();
    files_.SaveMaterial();
    EXPECT_EQ(disk_.files.count("C:\\Station\\CONFIG\\kkkkkkkkkk.rec"), 1u);
}

TEST(BoundedText, StopsAtTheFirstNulOrTheFieldsEnd) {
    std::array<char, 20> f{};
    EXPECT_EQ(BoundedText(f), "");
    f.fill('q');
    EXPECT_EQ(BoundedText(f), std::string(20, 'q'));
    f[5] = 0;
    EXPECT_EQ(BoundedText(f), "qqqqq");
    Text100 t{};
    t.fill('\xB0');
    StationBlock b;
    b.MaterialName = t;
    EXPECT_EQ(MaterialNameText(b).size(), 100u);
}

TEST_F(ParameterFilesTest, ALongChosenNameIsCutAtACharacterBoundary) {
    // 60 Big5 characters (120 bytes) before ".rec": 49 whole ones fit.
    std::string name;
    for (int i = 0; i < 60; ++i)
        name += "\xA4\x40";
    files_.TakeMaterialName("C:\\CONFIG\\" + name + ".rec");
    EXPECT_EQ(MaterialNameText(set_.station), name.substr(0, 98));
    files_.TakeMaterialName("C:\\CONFIG\\" + std::string(120, 'a') + ".rec");
    EXPECT_EQ(MaterialNameText(set_.station), std::string(99, 'a'));
}
