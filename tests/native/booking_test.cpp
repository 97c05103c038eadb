#include "station/booking.h"
#include "station/panel_texts.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <limits>

using namespace station;

namespace {

struct Booking : ::testing::Test {
    MaterialRecord material;
    fakes::View view{64, 48};
    fakes::Files disk;
    fakes::Prompts prompts;
    fakes::Clock clock;
    ResultList ok, ng;
    LastValues last;
    BookingSetup setup{material, view, disk, prompts, clock, ok, ng};

    std::string Log() {
        const auto& f = disk.files.at("C:\\Debug\\NG-20150601.txt");
        return {f.begin(), f.end()};
    }
};

} // namespace

TEST_F(Booking, CompensationDistanceIsNotBooked) {
    BookResult(setup, last, 120, 1);
    EXPECT_EQ(material.OkCount + material.NgCount, 0);
    EXPECT_TRUE(ok.rows().empty());
    EXPECT_TRUE(disk.files.empty());
    EXPECT_EQ(view.statistics, 1);
}

TEST_F(Booking, GoodInspectionBGetsAnOkRow) {
    last.offset = -0.3;
    last.length = 1234.5;
    last.diameter = 1.05;
    BookResult(setup, last, 0, 2);
    EXPECT_EQ(material.OkCount, 1);
    ASSERT_EQ(ok.rows().size(), 1u);
    EXPECT_EQ(ok.rows()[0],
              (std::vector<std::string>{"000001", "-000.300", "+1234.500", "+001.050"}));
    EXPECT_EQ(view.okRows.size(), 1u);
    EXPECT_TRUE(disk.files.empty());
}

TEST_F(Booking, NgResultsGoToTheLogWithOneHeaderPerDay) {
    material.OkCount = 5;
    material.NgCount = 6;
    last.offset = 0.53;
    last.length = 38.1;
    last.diameter = 1.05;
    BookResult(setup, last, -2, 2);
    EXPECT_EQ(material.NgCount, 7);
    ASSERT_EQ(ng.rows().size(), 1u);
    EXPECT_EQ(ng.rows()[0], (std::vector<std::string>{"000012", "@B*", "-2", "+000.530", "+038.100",
                                                      "+001.050"}));
    const std::string row =
        " 2015/06/01  13:45:07  @B*      -2        +000.530   +038.100   +001.050 \r\n";
    EXPECT_EQ(Log(), NgLogHeader() + row);
    BookResult(setup, last, -7, 1);
    EXPECT_EQ(Log(), NgLogHeader() + row +
                         " 2015/06/01  13:45:07  @A*      -7        +000.530   +038.100   "
                         "+001.050 \r\n");
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(Booking, HeaderBytesAreBig5WithCrlf) {
    const std::string h = NgLogHeader();
    EXPECT_EQ(h.rfind("  RetCode = -7  \xB5\x4C\xB0\x54\xB8\xB9(No Signal) \r\n", 0), 0u);
    std::size_t lines = 0;
    for (std::size_t i = 0; i + 1 < h.size(); ++i)
        lines += h[i] == '\r' && h[i + 1] == '\n';
    EXPECT_EQ(lines, 9u);
    EXPECT_EQ(h.find('\n'), h.find('\r') + 1);
    EXPECT_NE(h.find("\r\n\r\n<"), std::string::npos);
    EXPECT_EQ(h.substr(h.size() - 80), "\r\n" + std::string(75, '-') + " \r\n");
}

TEST_F(Booking, UnwritableLogIsReportedOnceForEachFailedOpening) {
    disk.unwritableDirs.insert("C:\\Debug");
    BookResult(setup, last, -1, 1);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].text, ">>> Open Error <<<");
    EXPECT_EQ(material.NgCount, 1);
    EXPECT_EQ(ng.rows().size(), 1u);
}

TEST_F(Booking, ListsKeepFiftyRowsNewestFirst) {
    for (int i = 0; i < 60; ++i)
        BookResult(setup, last, 0, 2);
    ASSERT_EQ(ok.rows().size(), 50u);
    EXPECT_EQ(ok.rows().front()[0], "000060");
    EXPECT_EQ(ok.rows().back()[0], "000011");
}

TEST(Statistics, Kinds) {
    MaterialRecord m;
    UpdateStatistics(m, -1, 1);
    UpdateStatistics(m, 5, 1);
    UpdateStatistics(m, 0, 2);
    UpdateStatistics(m, -4, 2);
    UpdateStatistics(m, -4, 9);
    EXPECT_EQ(m.OkCount, 1);
    EXPECT_EQ(m.NgCount, 2);
    UpdateStatistics(m, 0, 0);
    EXPECT_EQ(m.OkCount + m.NgCount, 0);
}

TEST(Panels, LabelsAndValues) {
    StatusLabels labels = {"Offset:", "Diameter:", "Length:", "Res:", "Cmd:", "Ret:", "Ring:"};
    LastValues last;
    last.offset = -0.3;
    last.diameter = 1.05;
    last.length = 38.1;
    CommandTexts texts;
    texts.command.Set("@A*");
    texts.reply.Set("@A0030*");
    StationBlock st;
    st.CalMmPerPixel = 0.01;
    st.DiameterMmPerPixel = {0.001, 0.002, 0.003, 0.004};
    PanelTexts p = FormatPanels(labels, last, texts, st);
    EXPECT_EQ(p.showA, " Offset: -0.300");
    EXPECT_EQ(p.showB, " Diameter: 1.050");
    EXPECT_EQ(p.showC, " Length: 38.100");
    EXPECT_EQ(p.showA1, " Res: 0.010000");
    EXPECT_EQ(p.showA1Hint, " Res: 0.001000 : 0.002000 : 0.003000 : 0.004000");
    EXPECT_EQ(p.showB1, " Cmd: @A*");
    EXPECT_EQ(p.showC1, " Ret: @A0030*");
    texts.command.Set("@B*");
    EXPECT_EQ(FormatPanels(labels, last, texts, st).showA, " Ring: -0.300");
    texts.command.Set("@M*");
    EXPECT_EQ(FormatPanels(labels, last, texts, st).showA, " Offset: -0.300");
}

TEST(Statistics, CountersStopAtTheLargestValue) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    MaterialRecord m;
    m.NgCount = kMax;
    m.OkCount = kMax - 1;
    UpdateStatistics(m, -2, 1);
    UpdateStatistics(m, -2, 2);
    EXPECT_EQ(m.NgCount, kMax);
    UpdateStatistics(m, 0, 2);
    EXPECT_EQ(m.OkCount, kMax);
    UpdateStatistics(m, 0, 2);
    EXPECT_EQ(m.OkCount, kMax);
    EXPECT_EQ(BookedTotal(m), int64_t{kMax} * 2);
    // A negative counter (from a damaged file) still counts up.
    m.NgCount = -3;
    UpdateStatistics(m, -1, 1);
    EXPECT_EQ(m.NgCount, -2);
}

TEST_F(Booking, SerialNumberOfCountersAtTheLimitDoesNotOverflow) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    material.OkCount = kMax;
    material.NgCount = kMax - 1;
    BookResult(setup, last, -4, 2);
    EXPECT_EQ(material.NgCount, kMax);
    ASSERT_EQ(ng.rows().size(), 1u);
    EXPECT_EQ(ng.rows()[0][0], "4294967294");
    BookResult(setup, last, -4, 2);
    EXPECT_EQ(material.NgCount, kMax);
    EXPECT_EQ(ng.rows()[0][0], "4294967294");
    BookResult(setup, last, 0, 2);
    EXPECT_EQ(ok.rows()[0][0], "4294967294");
    EXPECT_EQ(view.ngRows.back()[0], "4294967294");
    // Counters of a damaged file below zero give a negative serial, not garbage.
    material.OkCount = std::numeric_limits<int32_t>::min();
    material.NgCount = -1;
    BookResult(setup, last, -1, 1);
    EXPECT_EQ(ng.rows()[0][0], "-2147483648");
}

// A disk whose appends reach the file short: the open succeeds, the write
// does not complete.
struct ShortWrites : fakes::Files {
    int appendsLeft = 1000; // appends that still succeed
    std::size_t keep = 10;  // bytes a failing append leaves in the file
    bool Append(const std::string& path, const std::string& bytes) override {
        if (appendsLeft > 0) {
            --appendsLeft;
            return fakes::Files::Append(path, bytes);
        }
        fakes::Files::Append(path, bytes.substr(0, keep));
        return false;
    }
};

struct BookingLog : ::testing::Test {
    MaterialRecord material;
    fakes::View view{64, 48};
    ShortWrites disk;
    fakes::Prompts prompts;
    fakes::Clock clock;
    ResultList ok, ng;
    LastValues last;
    BookingSetup setup{material, view, disk, prompts, clock, ok, ng};
};

TEST_F(BookingLog, AShortWriteOfTheRowTakesTheOpenErrorPath) {
    disk.appendsLeft = 1; // the header goes through, the row does not
    BookResult(setup, last, -3, 2);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, ">>> Open Error <<<");
    // Counters and list as for any NG; the code reaches the list.
    EXPECT_EQ(material.NgCount, 1);
    ASSERT_EQ(ng.rows().size(), 1u);
    EXPECT_EQ(ng.rows()[0][2], "-3");
    // The next result of the day appends without a second header.
    disk.appendsLeft = 1000;
    BookResult(setup, last, -3, 2);
    EXPECT_EQ(prompts.shown.size(), 1u);
    const auto& f = disk.files.at("C:\\Debug\\NG-20150601.txt");
    const std::string log(f.begin(), f.end());
    EXPECT_EQ(log.find(NgLogHeader()), 0u);
    EXPECT_EQ(log.find(NgLogHeader(), 1), std::string::npos);
}

TEST_F(BookingLog, AFailedHeaderAndAFailedRowAreEachReported) {
    disk.appendsLeft = 0;
    disk.keep = 0;
    BookResult(setup, last, -7, 1);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].text, ">>> Open Error <<<");
    EXPECT_EQ(prompts.shown[1].text, ">>> Open Error <<<");
    EXPECT_EQ(material.NgCount, 1);
    EXPECT_EQ(view.ngRows.size(), 1u);
}
