#include "libs/language/text_table.h"
#include "ui/main_form_captions.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
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

// Every pair the main window asks for, from its own caption tables, and
// those of the dialogs (listed in station_text_keys.inc).
std::vector<std::pair<std::string, std::string>> StationKeys() {
    std::set<std::pair<std::string, std::string>> seen;
    std::vector<std::pair<std::string, std::string>> keys;
    const auto add = [&](const char* section, const char* key) {
        if (seen.emplace(section, key).second)
            keys.emplace_back(section, key);
    };
    station::captions::ForEachWindowText(add);
    for (const auto& [section, key] : kStationKeys)
        add(section, key);
    return keys;
}

// Addresses a machine builder fills in; the shipped tables leave them empty.
bool IsAddress(const std::string& section, const std::string& key) {
    return section == "Main" && (key == "HomePage" || key == "email");
}

TEST(TextTable, TheWindowsCaptionTablesNameEveryTextOfItsControls) {
    int pairs = 0;
    station::captions::ForEachWindowText([&](const char* section, const char* key) {
        ++pairs;
        EXPECT_NE(std::string(section), "");
        EXPECT_NE(std::string(key), "");
    });
    // Title, two addresses, the reset question, two help links, 23 menu
    // entries, 7 tool buttons with hints, 8 bottom and 7 right buttons,
    // 7 labels, 10 column headers.
    EXPECT_EQ(pairs, 4 + 2 + 23 + 14 + 8 + 7 + 7 + 10);
}

TEST(TextTable, BothStationTablesHaveEveryTextTheWindowAsksFor) {
    const TextTable zh = ReadTable("zh-TW.lng");
    const TextTable en = ReadTable("en.lng");
    EXPECT_EQ(zh.Identifier(), 0);
    EXPECT_EQ(en.Identifier(), 1);
    const auto keys = StationKeys();
    ASSERT_GT(keys.size(), 80u);
    for (const auto& [section, key] : keys) {
        for (const TextTable* t : {&zh, &en}) {
            const std::string* text = t->Find(section, key);
            ASSERT_NE(text, nullptr) << (t == &zh ? "zh-TW " : "en ") << section << "/" << key;
            if (IsAddress(section, key))
                EXPECT_TRUE(text->empty()) << "no example address in a shipped table: " << key;
            else
                EXPECT_FALSE(text->empty()) << section << "/" << key;
        }
    }
}
