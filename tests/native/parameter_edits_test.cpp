// The parameter dialogs' rules without windows: shown texts, key filters,
// lenient conversion and the write back of every field.
#include "params/parameter_edits.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace station;
using namespace station::edits;

namespace {

// A record whose every byte is distinct from a freshly built one, so that a
// field the write back must not touch shows up when it is touched.
MaterialRecord FilledMaterial() {
    MaterialRecord m;
    m.OkCount = 17;
    m.NgCount = 4;
    m.DiameterRangeX1 = 321;
    m.DiameterRangeX2 = -45;
    m.OffsetX = 0.123456;
    m.UpTol = 0.05;
    m.LowTol = -0.05;
    m.DrillLength = 38.10004;
    m.DrillLengthUpTol = 0.2;
    m.DrillLengthLowTol = -0.2;
    m.Diameter = 0.30004999;
    m.DiameterUpTol = 0.01;
    m.DiameterLowTol = -0.01;
    m.DiameterOffset = 0.00005;
    m.DrillLengthOffset = -1.23456;
    m.RingPosition = 6.5;
    m.DiameterAtGreenLine = 1;
    m.reserved16[3] = 0x11;
    m.reserved528[100] = 0x22;
    return m;
}

} // namespace

TEST(ParameterEdits, ValuesAreShownWithFourDecimalsAndIntegersPlain) {
    const struct {
        double value;
        const char* shown;
    } reals[] = {
        {0, "0.0000"},       {1.5, "1.5000"},         {-0.05, "-0.0500"},    {0.30004999, "0.3000"},
        {0.00005, "0.0001"}, {12345.6, "12345.6000"}, {-1.23456, "-1.2346"}, {1e6, "1000000.0000"},
    };
    for (const auto& r : reals)
        EXPECT_EQ(FormatReal(r.value), r.shown) << r.value;
    EXPECT_EQ(FormatInteger(0), "0");
    EXPECT_EQ(FormatInteger(321), "321");
    EXPECT_EQ(FormatInteger(-45), "-45");
}

TEST(ParameterEdits, TextsConvertByTheirLongestValidPrefix) {
    const struct {
        const char* text;
        double real;
        int32_t integer;
    } cases[] = {
        {"", 0, 0},        {"-", 0, 0},           {"--5", 0, 0},      {".", 0, 0},
        {"1.2.3", 1.2, 1}, {"12-3", 12, 12},      {"-3.5", -3.5, -3}, {"  7.25", 7.25, 7},
        {"abc", 0, 0},     {"0.0001", 0.0001, 0}, {"-.5", -0.5, 0},   {"5-", 5, 5},
        {"1.5e2", 150, 1}, {"00042", 42, 42},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(ParseReal(c.text), c.real) << '"' << c.text << '"';
        EXPECT_EQ(ParseInteger(c.text), c.integer) << '"' << c.text << '"';
    }
}

TEST(ParameterEdits, KeyFiltersKeepOnlyTheirCharacters) {
    for (int i = 0; i < 256; ++i) {
        const char c = static_cast<char>(i);
        const bool digit = c >= '0' && c <= '9';
        const bool real = digit || c == '-' || c == '.' || c == 8;
        const bool integer = digit || c == '-' || c == 8;
        EXPECT_EQ(RealKeyPasses(c), real) << i;
        EXPECT_EQ(IntegerKeyPasses(c), integer) << i;
    }
    // Enter, Tab, Esc, blank and letters never reach an edit.
    for (char c : {'\r', '\n', '\t', '\x1b', ' ', 'a', 'Z', ',', '+', 'e'}) {
        EXPECT_FALSE(RealKeyPasses(c)) << int(c);
        EXPECT_FALSE(IntegerKeyPasses(c)) << int(c);
    }
}

TEST(ParameterEdits, InspectionFillShowsEachFieldInItsEdit) {
    const MaterialRecord m = FilledMaterial();
    const InspectionTexts t = InspectionFill(m);
    const struct {
        const char* edit;
        const char* shown;
    } expected[] = {
        {"fOffsetX1", "0.1235"},         {"fUpTol1", "0.0500"},
        {"fLowTol1", "-0.0500"},         {"DrillLengthOffset1", "-1.2346"},
        {"DiameterOffset1", "0.0001"},   {"DrillLength1", "38.1000"},
        {"DrillLengthUpTol1", "0.2000"}, {"DrillLengthLowTol1", "-0.2000"},
        {"Diameter1", "0.3000"},         {"DiameterUpTol1", "0.0100"},
        {"DiameterLowTol1", "-0.0100"},
    };
    ASSERT_EQ(std::size(expected), std::size(kInspectionReals));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_STREQ(kInspectionReals[i].edit, expected[i].edit) << i;
        EXPECT_EQ(t.reals[i], expected[i].shown) << expected[i].edit;
    }
    EXPECT_TRUE(t.diameterAtGreenLine);
    EXPECT_EQ(t.rangeX1, "321");
    EXPECT_EQ(t.rangeX2, "-45");
}

TEST(ParameterEdits, InspectionOkWithoutEditsRoundsEveryFieldToFourDecimals) {
    MaterialRecord m = FilledMaterial();
    const MaterialRecord before = m;
    InspectionWriteBack(m, InspectionFill(m));
    for (const MaterialRealField& f : kInspectionReals)
        EXPECT_DOUBLE_EQ(m.*f.field, std::atof(FormatReal(before.*f.field).c_str())) << f.edit;
    EXPECT_DOUBLE_EQ(m.Diameter, 0.3);
    EXPECT_DOUBLE_EQ(m.OffsetX, 0.1235);
    // Only the dialog's fields: counters, ring position and reserved bytes
    // stay as they were.
    EXPECT_EQ(m.OkCount, 17);
    EXPECT_EQ(m.NgCount, 4);
    EXPECT_EQ(m.RingPosition, 6.5);
    EXPECT_EQ(m.DiameterRangeX1, 321);
    EXPECT_EQ(m.DiameterRangeX2, -45);
    EXPECT_EQ(m.DiameterAtGreenLine, 1);
    MaterialRecord expected = before;
    for (const MaterialRealField& f : kInspectionReals)
        expected.*f.field = m.*f.field;
    EXPECT_EQ(Encode(m), Encode(expected));
}

TEST(ParameterEdits, InspectionWriteBackOverwritesEveryFieldFromItsOwnEdit) {
    MaterialRecord m = FilledMaterial();
    InspectionTexts t;
    // Each edit a different value, so that a field taken from the wrong edit
    // shows.
    for (std::size_t i = 0; i < std::size(kInspectionReals); ++i)
        t.reals[i] = std::to_string(i + 1) + ".5";
    t.reals[2] = "";      // cleared: 0
    t.reals[4] = "1.2.3"; // 1.2
    t.reals[6] = "-";     // 0
    t.reals[7] = "--5";   // 0
    t.diameterAtGreenLine = false;
    t.rangeX1 = "12-3";
    t.rangeX2 = "";
    InspectionWriteBack(m, t);
    for (std::size_t i = 0; i < std::size(kInspectionReals); ++i) {
        double expected = i + 1 + 0.5;
        if (i == 2 || i == 6 || i == 7)
            expected = 0;
        if (i == 4)
            expected = 1.2;
        EXPECT_DOUBLE_EQ(m.*kInspectionReals[i].field, expected) << kInspectionReals[i].edit;
    }
    EXPECT_EQ(m.DiameterAtGreenLine, 0);
    EXPECT_EQ(m.DiameterRangeX1, 12);
    EXPECT_EQ(m.DiameterRangeX2, 0);
    t.diameterAtGreenLine = true;
    InspectionWriteBack(m, t);
    EXPECT_EQ(m.DiameterAtGreenLine, 1);
}

TEST(ParameterEdits, CalibrationMovesTheRingPositionOnlyWhenItsStandardWasTouched) {
    StationBlock s;
    s.InitMoveX = 2.123456;
    s.MoveX = 1.2;
    s.StdLength = 38.1;
    s.StdDiameter = 0.5;
    s.StdRingPosition = 6.25;
    s.CalMmPerPixel = 0.0125;
    s.DiameterMmPerPixel = {0.1, 0.2, 0.3, 0.4};
    const StationBlock before = s;
    MaterialRecord m = FilledMaterial();

    RingPositionFlag flag;
    flag.Reset();
    CalibrationTexts t = CalibrationFill(s);
    EXPECT_EQ(t.reals[0], "2.1235");
    EXPECT_EQ(t.reals[4], "6.2500");
    flag.TextChanged(); // the fill's own change event
    flag.Reset();
    t.reals[0] = "3.5"; // only the initial push
    CalibrationWriteBack(s, m, t, flag);
    EXPECT_EQ(s.InitMoveX, 3.5);
    EXPECT_EQ(s.StdRingPosition, 6.25);
    EXPECT_EQ(m.RingPosition, 6.5) << "an untouched standard leaves the material's";
    // The calibration results stay until the next calibration.
    EXPECT_EQ(s.CalMmPerPixel, before.CalMmPerPixel);
    EXPECT_EQ(s.DiameterMmPerPixel, before.DiameterMmPerPixel);

    // A character typed and deleted again: the text is the shown one, and
    // the material's ring position follows the standard all the same.
    flag.Reset();
    t = CalibrationFill(s);
    flag.TextChanged();
    flag.TextChanged();
    CalibrationWriteBack(s, m, t, flag);
    EXPECT_EQ(m.RingPosition, 6.25);

    // A new standard carries its new value over.
    flag.Reset();
    t = CalibrationFill(s);
    t.reals[4] = "7.125";
    flag.TextChanged();
    t.reals[3] = "1.6";
    CalibrationWriteBack(s, m, t, flag);
    EXPECT_EQ(s.StdRingPosition, 7.125);
    EXPECT_EQ(s.StdDiameter, 1.6);
    EXPECT_EQ(m.RingPosition, 7.125);
}

TEST(ParameterEdits, CalibrationWritesTheFiveFieldsInTheirOrder) {
    StationBlock s;
    MaterialRecord m;
    CalibrationTexts t;
    const char* texts[] = {"1.1", "2.2", "3.3", "4.4", "5.5"};
    for (int i = 0; i < 5; ++i)
        t.reals[i] = texts[i];
    RingPositionFlag untouched;
    CalibrationWriteBack(s, m, t, untouched);
    EXPECT_EQ(s.InitMoveX, 1.1);
    EXPECT_EQ(s.MoveX, 2.2);
    EXPECT_EQ(s.StdLength, 3.3);
    EXPECT_EQ(s.StdDiameter, 4.4);
    EXPECT_EQ(s.StdRingPosition, 5.5);
    EXPECT_EQ(m.RingPosition, 0);
}

TEST(ParameterEdits, RingPositionDialogShowsAndTakesOneField) {
    MaterialRecord m = FilledMaterial();
    EXPECT_EQ(RingPositionFill(m), "6.5000");
    const MaterialBytes before = Encode(m);
    RingPositionWriteBack(m, "7.25x");
    EXPECT_EQ(m.RingPosition, 7.25);
    m.RingPosition = 6.5;
    EXPECT_EQ(Encode(m), before) << "nothing but the ring position changes";
    RingPositionWriteBack(m, "");
    EXPECT_EQ(m.RingPosition, 0);
}
