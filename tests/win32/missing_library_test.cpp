// A station folder that lacks an outside library: the station says which one
// and stays closed, and opens once the library is back.
#include "tests/win32/station_fixture.h"

#include <gtest/gtest.h>

using namespace testing_station;

namespace {

bool Mentions(const std::vector<std::string>& texts, const std::string& what) {
    for (const auto& t : texts)
        if (t.find(what) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(MissingLibrary, OpenFailsClosedAndNamesTheLibrary) {
    StationCopy copy;
    MessageBoxOperator answers;
    Vardel station(copy.dir());
    for (const char* dll : {"EdgeGauge.dll", "Grabcard.dll", "Language.dll", "Pinbus.dll"}) {
        ASSERT_TRUE(MoveFileA(copy.Path(dll).c_str(), copy.Path("hidden.dll").c_str())) << dll;
        EXPECT_EQ(station.Open(), -1) << dll;
        EXPECT_EQ(FindOwnWindow("TMainForm1"), nullptr) << dll;
        EXPECT_EQ(station.Dialog(-1), -9) << dll;
        EXPECT_EQ(station.Function(0), -1) << dll;
        Pump(400);
        EXPECT_TRUE(Mentions(answers.Texts(), dll)) << dll;
        ASSERT_TRUE(MoveFileA(copy.Path("hidden.dll").c_str(), copy.Path(dll).c_str())) << dll;
    }
    EXPECT_EQ(station.Open(), 0);
    EXPECT_NE(FindOwnWindow("TMainForm1"), nullptr);
    EXPECT_EQ(station.Close(), 0);
}

TEST(MissingLibrary, ALibraryWithoutItsExportIsRefusedToo) {
    StationCopy copy;
    MessageBoxOperator answers;
    // A Pinbus.dll that is some other DLL: it lacks PinbusInit.
    ASSERT_TRUE(CopyFileA(copy.Path("EdgeGauge.dll").c_str(), copy.Path("Pinbus.dll").c_str(),
                          FALSE));
    Vardel station(copy.dir());
    EXPECT_EQ(station.Open(), -1);
    Pump(400);
    EXPECT_TRUE(Mentions(answers.Texts(), "PinbusInit"));
    EXPECT_EQ(FindOwnWindow("TMainForm1"), nullptr);
}
