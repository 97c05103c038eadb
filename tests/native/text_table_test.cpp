#include "libs/language/text_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

using station::TextTable;

namespace {

const std::vector<std::pair<const char*, const char*>> kStationKeys = {
#include "station_text_keys.inc"
};

TextTable ReadTable(const std::string& name) {
    std::ifstream in(std::string(STATION_SOURCE_DIR) + "/station-files/Language/" + name,
                     std::ios::binary);
    EXPECT_TRUE(in) << name;
    std::stringstream text;
    text << in.rdbuf();
    return TextTable::Parse(text.str());
}

} // namespace

TEST(TextTable, ParsesSectionsKeysAndQuotes) {
    const auto t = TextTable::Parse("\xEF\xBB\xBF; comment\r\n"
                                    "[Language]\r\nIdentifier = 7\r\nName=Test\r\n"
                                    "[Main Menu]\n  File_ = &File \n"
                                    "Label=\" spaced \"\n"
                                    "Empty=\n"
                                    "no equals sign\n"
                                    "orphan]\n");
    EXPECT_EQ(t.Identifier(), 7);
    EXPECT_EQ(t.Name(), "Test");
    ASSERT_NE(t.Find("Main Menu", "File_"), nullptr);
    EXPECT_EQ(*t.Find("main menu", "FILE_"), "&File");
    EXPECT_EQ(*t.Find("Main Menu", "Label"), " spaced ");
    ASSERT_NE(t.Find("Main Menu", "Empty"), nullptr);
    EXPECT_EQ(*t.Find("Main Menu", "Empty"), "");
    EXPECT_EQ(t.Find("Main Menu", "Missing"), nullptr);
    EXPECT_EQ(t.Find("Main", "File_"), nullptr);
}

TEST(TextTable, EntriesBeforeAnySectionAndBadIdentifiersAreIgnored) {
    const auto t = TextTable::Parse("Key=Value\n[Language]\nIdentifier=1x\n");
    EXPECT_EQ(t.Identifier(), std::nullopt);
    EXPECT_EQ(t.size(), 1u);
}

TEST(TextTable, BothStationTablesHaveEveryTextTheWindowAsksFor) {
    const TextTable zh = ReadTable("zh-TW.lng");
    const TextTable en = ReadTable("en.lng");
    EXPECT_EQ(zh.Identifier(), 0);
    EXPECT_EQ(en.Identifier(), 1);
    ASSERT_GT(kStationKeys.size(), 80u);
    for (const auto& [section, key] : kStationKeys) {
        for (const TextTable* t : {&zh, &en}) {
            const std::string* text = t->Find(section, key);
            ASSERT_NE(text, nullptr) << section << "/" << key;
            EXPECT_FALSE(text->empty()) << section << "/" << key;
        }
    }
}
