#include "params/paths.h"

#include <gtest/gtest.h>

using station::StationPaths;

TEST(StationPaths, FilesLieInTheWorkingDirectory) {
    const StationPaths p("C:\\Station");
    EXPECT_EQ(p.WorkingDirectory(), "C:\\Station");
    EXPECT_EQ(p.ParameterFilePath(), "C:\\Station\\Kest.cfg");
    EXPECT_EQ(p.ConfigDirectory(), "C:\\Station\\CONFIG");
    EXPECT_EQ(p.ImageDirectory(), "C:\\Station\\IMG");
    EXPECT_EQ(p.SettingsFilePath(), "C:\\Station\\Kest.INI");
}

TEST(StationPaths, APathBeyond99CharactersIsRefused) {
    // 90 characters of directory leave room for "\Kest.INI" (99 in all).
    const StationPaths fits("C:\\" + std::string(87, 'd'));
    ASSERT_EQ(fits.WorkingDirectory().size(), 90u);
    ASSERT_TRUE(fits.SettingsFilePath().has_value());
    EXPECT_EQ(fits.SettingsFilePath()->size(), 99u);
    const StationPaths tooLong("C:\\" + std::string(88, 'd'));
    EXPECT_FALSE(tooLong.SettingsFilePath().has_value());
    EXPECT_TRUE(tooLong.Join("IMG").has_value());
    EXPECT_FALSE(tooLong.Join(std::string(10, 'n')).has_value());
}
