#include "params/parameter_files.h"

#include "fakes.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(set_.op.LoginWord0, 77);  // defaults stay
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
    cfg[640 + 7] = 0x40;  // InitMoveX = 2.0
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
    cfg[1504 + 4] = 9;  // OperatorRights
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
    EXPECT_EQ(disk_.files.size(), 1u);  // only Kest.cfg
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

TEST_F(ParameterFilesTest, LoadingAMissingMaterialKeepsTheRecipeButTakesTheName) {
    set_.material.Diameter = 0.3;
    files_.LoadMaterialRecord("C:\\Station\\CONFIG\\gone.rec");
    files_.TakeMaterialName("C:\\Station\\CONFIG\\gone.rec");
    EXPECT_EQ(set_.material.Diameter, 0.3);
    EXPECT_STREQ(set_.station.MaterialName.data(), "gone");
    ASSERT_EQ(prompts_.shown.size(), 1u);
}
