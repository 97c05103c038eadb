// Language.dll through its three exports, with the station's own tables.
#include "tests/win32/station_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace testing_station;

namespace {

struct LanguageDll {
    LanguageDll() {
        module = LoadLibraryA((BuiltStationFolder() + "\\Language.dll").c_str());
        if (!module)
            return;
        Init = reinterpret_cast<decltype(Init)>(
            reinterpret_cast<void*>(GetProcAddress(module, "InitLanguageDll")));
        Select = reinterpret_cast<decltype(Select)>(
            reinterpret_cast<void*>(GetProcAddress(module, "SelectLanguageDll")));
        Get = reinterpret_cast<decltype(Get)>(
            reinterpret_cast<void*>(GetProcAddress(module, "GetLanguageString")));
    }
    ~LanguageDll() {
        if (module)
            FreeLibrary(module);
    }
    HMODULE module = nullptr;
    int32_t(__stdcall* Init)() = nullptr;
    uint8_t(__stdcall* Select)(const char*, int32_t*) = nullptr;
    const char*(__stdcall* Get)(int32_t, const char*, const char*) = nullptr;
};

// An operator at the selection window: picks a row (or cancels).
std::thread Choose(int row, bool ok, std::string* caption) {
    return std::thread([=] {
        HWND w = nullptr;
        if (!testing_station::WaitUntil(
                [&] { return (w = FindOwnWindow("LanguageSelect")) != nullptr; }, 4000))
            return;
        char text[128] = {};
        GetWindowTextA(w, text, sizeof text);
        *caption = text;
        HWND list = GetDlgItem(w, 100);
        if (row >= 0)
            SendMessageA(list, LB_SETCURSEL, row, 0);
        PostMessageA(w, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
    });
}

} // namespace

TEST(Language, TextsComeInTheSystemCodePage) {
    LanguageDll dll;
    ASSERT_NE(dll.Get, nullptr);
    EXPECT_EQ(GetACP(), 950u);
    dll.Init();
    EXPECT_STREQ(dll.Get(0, "Main Menu", "File_"), "檔案(&F)");
    EXPECT_STREQ(dll.Get(0, "RightBar", "InspectionA"), "檢 測 A");
    EXPECT_STREQ(dll.Get(1, "Main Menu", "File_"), "&File");
    EXPECT_GT(std::strlen(dll.Get(1, "Main", "SystemName")), 0u);
}

TEST(Language, EveryRequestGetsAValidText) {
    LanguageDll dll;
    ASSERT_NE(dll.Get, nullptr);
    // No Init first: the tables load on the first request.
    const char* unknownKey = dll.Get(0, "Main", "NoSuchKey");
    ASSERT_NE(unknownKey, nullptr);
    EXPECT_STREQ(unknownKey, "");
    ASSERT_NE(dll.Get(1, "NoSuchSection", "File_"), nullptr);
    EXPECT_STREQ(dll.Get(1, "NoSuchSection", "File_"), "");
    ASSERT_NE(dll.Get(0, nullptr, nullptr), nullptr);
    EXPECT_STREQ(dll.Get(0, nullptr, "x"), "");
    // A language no table has is shown in the first one.
    EXPECT_STREQ(dll.Get(99, "Main Menu", "File_"), dll.Get(0, "Main Menu", "File_"));
    EXPECT_STREQ(dll.Get(-1, "Main Menu", "File_"), dll.Get(0, "Main Menu", "File_"));
}

TEST(Language, SelectionWindowWritesTheChosenIdentifier) {
    LanguageDll dll;
    ASSERT_NE(dll.Select, nullptr);
    dll.Init();
    std::string caption;
    int32_t id = 0;
    std::thread op = Choose(1, true, &caption);
    const uint8_t chosen = dll.Select("Language title", &id);
    op.join();
    EXPECT_EQ(caption, "Language title");
    EXPECT_NE(chosen, 0);
    EXPECT_EQ(id, 1);

    // Cancel: false, and the identifier is as it was.
    op = Choose(0, false, &caption);
    EXPECT_EQ(dll.Select("again", &id), 0);
    op.join();
    EXPECT_EQ(id, 1);

    EXPECT_EQ(dll.Select("no target", nullptr), 0);
}
