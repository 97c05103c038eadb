// The rules of the parameter dialogs, without any window: which field each
// edit shows, how a value is shown, which typed characters an edit keeps,
// how a text becomes a value again, and the order in which the fields are
// written back.  The dialogs call these; the native tests check them.
#pragma once

#include "params/parameter_set.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

namespace station::edits {

// A real value as the dialogs show it: fixed point, four decimals.
inline std::string FormatReal(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", v);
    return text;
}

// An integer as the dialogs show it: plain decimal, no padding.
inline std::string FormatInteger(int32_t v) {
    return std::to_string(v);
}

// Typed text back to a value: leading blanks skipped, the longest valid
// prefix converted, 0 when there is none (atof and atol).
inline double ParseReal(const std::string& text) {
    return std::atof(text.c_str());
}
inline int32_t ParseInteger(const std::string& text) {
    return static_cast<int32_t>(std::atol(text.c_str()));
}

// Key filters of the edits: backspace, "-" and the digits pass both, "."
// only the real-number one; every other character is dropped.  The
// filters look at one character at a time, so "1.2.3" can be typed.
inline bool RealKeyPasses(char c) {
    return c == 8 || c == '-' || c == '.' || (c >= '0' && c <= '9');
}
inline bool IntegerKeyPasses(char c) {
    return c == 8 || c == '-' || (c >= '0' && c <= '9');
}

// An edit of the inspection parameter dialog and its field.
struct MaterialRealField {
    const char* edit;
    double MaterialRecord::*field;
};

// The inspection parameter dialog's real fields, in the order of the fill
// and of the write back.
inline constexpr MaterialRealField kInspectionReals[] = {
    {"fOffsetX1", &MaterialRecord::OffsetX},
    {"fUpTol1", &MaterialRecord::UpTol},
    {"fLowTol1", &MaterialRecord::LowTol},
    {"DrillLengthOffset1", &MaterialRecord::DrillLengthOffset},
    {"DiameterOffset1", &MaterialRecord::DiameterOffset},
    {"DrillLength1", &MaterialRecord::DrillLength},
    {"DrillLengthUpTol1", &MaterialRecord::DrillLengthUpTol},
    {"DrillLengthLowTol1", &MaterialRecord::DrillLengthLowTol},
    {"Diameter1", &MaterialRecord::Diameter},
    {"DiameterUpTol1", &MaterialRecord::DiameterUpTol},
    {"DiameterLowTol1", &MaterialRecord::DiameterLowTol},
};

// What the inspection parameter dialog shows.
struct InspectionTexts {
    std::string reals[std::size(kInspectionReals)];
    bool diameterAtGreenLine = false;
    std::string rangeX1; // Edit1
    std::string rangeX2; // Edit2
};

inline InspectionTexts InspectionFill(const MaterialRecord& m) {
    InspectionTexts t;
    for (std::size_t i = 0; i < std::size(kInspectionReals); ++i)
        t.reals[i] = FormatReal(m.*kInspectionReals[i].field);
    t.diameterAtGreenLine = m.DiameterAtGreenLine != 0;
    t.rangeX1 = FormatInteger(m.DiameterRangeX1);
    t.rangeX2 = FormatInteger(m.DiameterRangeX2);
    return t;
}

// OK of the inspection parameter dialog: every field overwritten, edited or
// not, in the order of the fill; nothing else of the record changes.
inline void InspectionWriteBack(MaterialRecord& m, const InspectionTexts& t) {
    for (std::size_t i = 0; i < std::size(kInspectionReals); ++i)
        m.*kInspectionReals[i].field = ParseReal(t.reals[i]);
    m.DiameterAtGreenLine = t.diameterAtGreenLine ? 1 : 0;
    m.DiameterRangeX1 = ParseInteger(t.rangeX1);
    m.DiameterRangeX2 = ParseInteger(t.rangeX2);
}

// An edit of the calibration-value dialog and its field.
struct StationRealField {
    const char* edit;
    double StationBlock::*field;
};

// The calibration-value dialog's fields in the order of the fill and of
// the write back.
inline constexpr StationRealField kCalibrationReals[] = {
    {"fInitMoveX1", &StationBlock::InitMoveX},
    {"fMoveX1", &StationBlock::MoveX},
    {"fStdLength1", &StationBlock::StdLength},
    {"fStdDiameter1", &StationBlock::StdDiameter},
    {"fStdRingPosition1", &StationBlock::StdRingPosition},
};

struct CalibrationTexts {
    std::string reals[std::size(kCalibrationReals)];
};

inline CalibrationTexts CalibrationFill(const StationBlock& s) {
    CalibrationTexts t;
    for (std::size_t i = 0; i < std::size(kCalibrationReals); ++i)
        t.reals[i] = FormatReal(s.*kCalibrationReals[i].field);
    return t;
}

// Whether the standard ring position was touched during one showing of the
// calibration-value dialog: any change of its text after the fill counts,
// even one that ends on the text that was shown.
class RingPositionFlag {
  public:
    // Before and after the fill: the fill's own change does not count.
    void Reset() { changed_ = 0; }
    void TextChanged() { changed_ = 1; }
    int value() const { return changed_; }

  private:
    int changed_ = 0;
};

// OK of the calibration-value dialog: the five fields in order, then the
// material's ring position follows a touched standard ring position.
inline void CalibrationWriteBack(StationBlock& s, MaterialRecord& m, const CalibrationTexts& t,
                                 const RingPositionFlag& ringPositionChanged) {
    for (std::size_t i = 0; i < std::size(kCalibrationReals); ++i)
        s.*kCalibrationReals[i].field = ParseReal(t.reals[i]);
    if (ringPositionChanged.value() == 1)
        m.RingPosition = s.StdRingPosition;
}

// The ring-position dialog: one field.
inline std::string RingPositionFill(const MaterialRecord& m) {
    return FormatReal(m.RingPosition);
}
inline void RingPositionWriteBack(MaterialRecord& m, const std::string& text) {
    m.RingPosition = ParseReal(text);
}

} // namespace station::edits
