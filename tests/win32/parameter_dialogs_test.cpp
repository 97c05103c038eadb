// The parameter dialogs and their numeric keypad through the real station:
// opened from the parameter button and the ring-position panel, typed into
// with WM_CHAR, keypad keys and buttons clicked, and what they stored read
// back from Kest.cfg and the material file.  The dialogs are modal on the
// window's thread (this one), so a second thread operates them.  Texts are
// written in UTF-8 and compiled to code page 950.
#include "tests/win32/station_fixture.h"
#include "tests/win32/window_probe.h"

#include "common/drill_placement.h"
#include "contracts/grabcard_sim.h"
#include "params/parameter_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace testing_station;

namespace {

const char* kIni = "[Basic]\r\nInitGrab=0\r\nMmPerPixel=0.01\r\ndShowModal=1\r\nGrabNumber=1\r\n"
                   "[Motion]\r\nPitchX=5\r\nPulseX=10000\r\n";

constexpr uint32_t kNoRights = 0;       // parameter button: ring position
constexpr uint32_t kCalibrates = 0x100; // parameter button: calibration values
constexpr uint32_t kInspection = 0x80;  // parameter button: inspection parameters

// A recipe whose values have more than four decimals, so that the dialogs'
// rounding shows.
station::ParameterSet Recipe(uint32_t rights, int32_t language = 0) {
    station::ParameterSet p;
    p.SetDefaults(1);
    p.op.OperatorRights = rights;
    p.op.LanguageIndex = language;
    p.station.InitMoveX = 2.123456;
    p.station.MoveX = 1.234567;
    p.station.StdLength = 38.100049;
    p.station.StdDiameter = 0.300051;
    p.station.StdRingPosition = 6.2512345;
    p.station.CalMmPerPixel = 0.0125;
    p.station.EdgePosM = 80;
    p.station.EdgePosN = 130;
    auto& m = p.material;
    m.OkCount = 17;
    m.NgCount = 4;
    m.DiameterRangeX1 = 300;
    m.DiameterRangeX2 = -12;
    m.OffsetX = 0.123456;
    m.UpTol = 0.050049;
    m.LowTol = -0.050051;
    m.DrillLength = 38.10004;
    m.DrillLengthUpTol = 0.21111;
    m.DrillLengthLowTol = -0.19999;
    m.Diameter = 0.30004999;
    m.DiameterUpTol = 0.0123456;
    m.DiameterLowTol = -0.0098765;
    m.DiameterOffset = 0.00005;
    m.DrillLengthOffset = -1.23456;
    m.RingPosition = 6.54321;
    m.DiameterAtGreenLine = 1;
    return p;
}

std::string Bytes(const station::ParameterSet& p) {
    const std::vector<uint8_t> b = station::EncodeParameterFile(p);
    return std::string(b.begin(), b.end());
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

station::ParameterSet Decoded(const std::string& bytes) {
    station::ParameterSet p;
    EXPECT_EQ(bytes.size(), station::kParameterFileSize);
    if (bytes.size() != station::kParameterFileSize)
        return p;
    station::StationBytes s;
    station::OperatorBytes o;
    station::MaterialBytes m;
    std::memcpy(s.data(), bytes.data(), s.size());
    std::memcpy(o.data(), bytes.data() + s.size(), o.size());
    std::memcpy(m.data(), bytes.data() + station::kMaterialOffset, m.size());
    station::Decode(s, p.station);
    station::Decode(o, p.op);
    station::Decode(m, p.material);
    return p;
}

// What a value looks like in a dialog, and what it is after OK.
std::string Shown(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", v);
    return text;
}
double Rounded(double v) {
    return std::atof(Shown(v).c_str());
}

// The inspection parameter dialog's real edits and their fields.
const struct {
    const char* edit;
    double station::MaterialRecord::*field;
} kInspectionEdits[] = {
    {"fOffsetX1", &station::MaterialRecord::OffsetX},
    {"fUpTol1", &station::MaterialRecord::UpTol},
    {"fLowTol1", &station::MaterialRecord::LowTol},
    {"DrillLengthOffset1", &station::MaterialRecord::DrillLengthOffset},
    {"DiameterOffset1", &station::MaterialRecord::DiameterOffset},
    {"DrillLength1", &station::MaterialRecord::DrillLength},
    {"DrillLengthUpTol1", &station::MaterialRecord::DrillLengthUpTol},
    {"DrillLengthLowTol1", &station::MaterialRecord::DrillLengthLowTol},
    {"Diameter1", &station::MaterialRecord::Diameter},
    {"DiameterUpTol1", &station::MaterialRecord::DiameterUpTol},
    {"DiameterLowTol1", &station::MaterialRecord::DiameterLowTol},
};

const struct {
    const char* edit;
    double station::StationBlock::*field;
} kCalibrationEdits[] = {
    {"fInitMoveX1", &station::StationBlock::InitMoveX},
    {"fMoveX1", &station::StationBlock::MoveX},
    {"fStdLength1", &station::StationBlock::StdLength},
    {"fStdDiameter1", &station::StationBlock::StdDiameter},
    {"fStdRingPosition1", &station::StationBlock::StdRingPosition},
};

struct Place {
    const char* name;
    int left, top, width, height;
};

// ------------------------------------------------------------ operating

HWND Part(HWND form, const char* name) {
    HWND h = FindComponent(form, name);
    EXPECT_NE(h, nullptr) << name;
    return h;
}

// The window with the keyboard focus on the thread of w.
HWND FocusOf(HWND w) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &info);
    return info.hwndFocus;
}

// Characters typed on a keyboard: one WM_CHAR each, as the keyboard's
// translation would send them.
void Type(HWND edit, const std::string& keys) {
    for (char c : keys)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
}

// The whole text selected and deleted with backspace.
void Clear(HWND edit) {
    SendMessageA(edit, EM_SETSEL, 0, -1);
    Type(edit, "\b");
}

// A key pressed while the window has the focus (through the dialog's loop).
void Press(HWND w, UINT vk) {
    PostMessageA(w, WM_KEYDOWN, vk, 1);
    PostMessageA(w, WM_KEYUP, vk, 0xC0000001);
}

HWND WaitShown(const char* className, DWORD ms = 8000) {
    for (DWORD waited = 0; waited < ms; waited += 20) {
        HWND w = FindOwnWindow(className);
        if (w && IsWindowVisible(w)) {
            Sleep(100); // the focus is set right after the showing
            return w;
        }
        Sleep(20);
    }
    return nullptr;
}

bool WaitGone(HWND w, DWORD ms = 5000) {
    for (DWORD waited = 0; waited < ms; waited += 20) {
        if (!IsWindow(w) || !IsWindowVisible(w))
            return true;
        Sleep(20);
    }
    return false;
}

// The colours a dialog gives an edit (its WM_CTLCOLOREDIT answer).
struct EditColours {
    COLORREF background, text;
};
EditColours ColoursOf(HWND dialog, HWND edit) {
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageA(dialog, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(edit));
    const EditColours c{GetBkColor(dc), GetTextColor(dc)};
    DeleteDC(dc);
    return c;
}

SIZE ClientSize(HWND w) {
    RECT r{};
    GetClientRect(w, &r);
    return {r.right, r.bottom};
}

// The screen's pixels of a rectangle into a 24-bit BMP.
bool SaveScreen(const RECT& r, const std::string& path) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + stride * height;
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
        out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
        out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride) * height);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return copied;
}

// ------------------------------------------------------------- fixture

class DialogStation : public ::testing::Test {
  protected:
    void Open(const station::ParameterSet& recipe) {
        recipe_ = recipe;
        copy_.WriteFile("Kest.INI", kIni);
        copy_.WriteFile("Kest.cfg", Bytes(recipe));
        station_ = std::make_unique<Vardel>(copy_.dir());
        ASSERT_EQ(station_->Open(), 0);
        ASSERT_EQ(station_->Dialog(-1), 0);
        form_ = FindOwnWindow("TMainForm1");
        ASSERT_NE(form_, nullptr);
        Pump(100);
        HMODULE language = GetModuleHandleA(copy_.Path("Language.dll").c_str());
        ASSERT_NE(language, nullptr);
        languageText_ = reinterpret_cast<LanguageText>(
            reinterpret_cast<void*>(GetProcAddress(language, "GetLanguageString")));
        ASSERT_NE(languageText_, nullptr);
    }
    void TearDown() override {
        if (station_)
            station_->Close();
    }

    // The text the language library has for a dialog key.
    std::string DialogText(const char* key) const {
        const char* t = languageText_(recipe_.op.LanguageIndex, "Calibration2Dialog", key);
        return t ? t : "";
    }

    // Opens a dialog with a click on opener (on this, the window's thread)
    // and runs operate on a second thread once it shows; returns when the
    // dialog has closed.  A dialog that operate leaves open is closed.
    void Operate(const char* opener, const char* dialogClass,
                 const std::function<void(HWND)>& operate) {
        bool shown = false;
        std::thread driver([&] {
            HWND dialog = WaitShown(dialogClass);
            shown = dialog != nullptr;
            if (!dialog)
                return;
            operate(dialog);
            if (!WaitGone(dialog)) {
                ADD_FAILURE() << dialogClass << " was left open";
                PostMessageA(dialog, WM_CLOSE, 0, 0);
            }
        });
        Click(FindComponent(form_, opener));
        driver.join();
        EXPECT_TRUE(shown) << opener << " did not open " << dialogClass;
        Pump(50);
    }

    station::ParameterSet SavedParameters() const {
        return Decoded(FileBytes(copy_.Path("Kest.cfg")));
    }

    // The caption the parameter button shows now.
    std::string ParameterButtonCaption() const {
        return TextOf(FindComponent(form_, "rightParaSetup1"));
    }

    // Every component's place in the dialog's client area.
    void CheckPlaces(HWND dialog, const std::vector<Place>& places) {
        for (const Place& p : places) {
            HWND h = Part(dialog, p.name);
            if (!h)
                continue;
            EXPECT_EQ(GetParent(h), dialog) << p.name;
            const RECT r = BoundsInParent(h);
            EXPECT_EQ(r.left, p.left) << p.name;
            EXPECT_EQ(r.top, p.top) << p.name;
            EXPECT_EQ(r.right - r.left, p.width) << p.name;
            EXPECT_EQ(r.bottom - r.top, p.height) << p.name;
        }
    }

    // The tab order from the focused OK button round to it again.
    void CheckTabOrder(HWND dialog, const std::vector<const char*>& order) {
        HWND at = Part(dialog, order.front());
        EXPECT_EQ(FocusOf(dialog), at) << "OK has the focus when the dialog opens";
        for (std::size_t i = 1; i <= order.size(); ++i) {
            at = GetNextDlgTabItem(dialog, at, FALSE);
            const char* expected = order[i % order.size()];
            EXPECT_EQ(at, FindComponent(dialog, expected)) << "after " << order[i - 1];
        }
    }

    void CheckDialogFont(HWND h, const char* name) {
        const LOGFONTA lf = FontOf(h);
        EXPECT_STREQ(lf.lfFaceName, "細明體") << name;
        EXPECT_EQ(std::abs(lf.lfHeight), 16) << name;
    }

    typedef const char*(__stdcall* LanguageText)(int32_t, const char*, const char*);

    StationCopy copy_;
    MessageBoxOperator answers_;
    std::unique_ptr<Vardel> station_;
    station::ParameterSet recipe_;
    HWND form_ = nullptr;
    LanguageText languageText_ = nullptr;
};

class InspectionDialog : public DialogStation {};
class CalibrationDialog : public DialogStation {};
class RingPositionDialog : public DialogStation {};
class NumericKeypad : public DialogStation {};

const std::vector<const char*> kInspectionTabOrder = {"OKBtn",
                                                      "CancelBtn",
                                                      "fOffsetX1",
                                                      "fUpTol1",
                                                      "fLowTol1",
                                                      "Diameter1",
                                                      "DiameterUpTol1",
                                                      "DiameterLowTol1",
                                                      "DrillLength1",
                                                      "DrillLengthUpTol1",
                                                      "DrillLengthLowTol1",
                                                      "CheckBox1",
                                                      "DrillLengthOffset1",
                                                      "DiameterOffset1",
                                                      "Edit1",
                                                      "Edit2"};

} // namespace

// ------------------------------------------------- inspection parameters

TEST_F(InspectionDialog, OpensAsDesignedAndOkWithoutEditsRoundsEveryField) {
    Open(Recipe(kInspection));
    const std::string caption = ParameterButtonCaption();
    ASSERT_FALSE(caption.empty());
    // OK must write the parameter file anew.
    copy_.RemoveFile("Kest.cfg");
    Operate("rightParaSetup1", "TCalFormEn2", [&](HWND d) {
        EXPECT_EQ(TextOf(d), caption);
        RECT outer;
        GetWindowRect(d, &outer);
        EXPECT_EQ(outer.bottom - outer.top, 542);
        EXPECT_EQ(ClientSize(d).cx, 332);
        EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2)
            << "centred on the screen";
        CheckPlaces(d, {{"fOffsetX1", 184, 14, 130, 24},
                        {"DiameterOffset1", 184, 46, 130, 24},
                        {"DrillLengthOffset1", 184, 78, 130, 24},
                        {"Edit2", 184, 110, 60, 24},
                        {"Edit1", 254, 110, 60, 24},
                        {"Panel1", 9, 150, 313, 9},
                        {"CheckBox1", 16, 174, 249, 17},
                        {"Diameter1", 184, 202, 130, 24},
                        {"DiameterUpTol1", 184, 234, 130, 24},
                        {"DiameterLowTol1", 184, 266, 130, 24},
                        {"DrillLength1", 184, 298, 130, 24},
                        {"DrillLengthUpTol1", 184, 330, 130, 24},
                        {"DrillLengthLowTol1", 184, 362, 130, 24},
                        {"fUpTol1", 184, 400, 130, 24},
                        {"fLowTol1", 184, 432, 130, 24},
                        {"OKBtn", 63, 473, 75, 30},
                        {"CancelBtn", 207, 473, 75, 30}});
        const struct {
            const char* label;
            int left, top;
            const char* key;
        } labels[] = {
            {"fOffsetXL1", 16, 18, "IdlOffset"},
            {"DiameterOffsetL1", 16, 50, "DiameterOffset"},
            {"DrillLengthOffsetL1", 16, 82, "DrillLengthOffset"},
            {"Label1", 16, 114, "DiameterPos2"},
            {"CheckBox1", 16, 174, "DiameterPos"},
            {"DiameterL1", 16, 206, "Diameter"},
            {"DiameterUpTolL1", 16, 238, "DiameterUpTol"},
            {"DiameterLowTolL1", 16, 270, "DiameterLowTol"},
            {"DrillLengthL1", 16, 302, "DrillLength"},
            {"DrillLengthUpTolL1", 16, 334, "DrillLengthUpTol"},
            {"DrillLengthLowTolL1", 16, 366, "DrillLengthLowTol"},
            {"fUpTolL1", 16, 404, "IdlUpTol"},
            {"fLowTolL1", 16, 436, "IdlLowTol"},
        };
        for (const auto& l : labels) {
            HWND h = Part(d, l.label);
            CheckDialogFont(h, l.label);
            const RECT r = BoundsInParent(h);
            EXPECT_EQ(r.left, l.left) << l.label;
            EXPECT_EQ(r.top, l.top) << l.label;
            EXPECT_FALSE(DialogText(l.key).empty()) << l.key;
            EXPECT_EQ(TextOf(h), DialogText(l.key)) << l.label;
        }
        EXPECT_FALSE(Shown(Part(d, "Bevel2")));
        for (const auto& e : kInspectionEdits) {
            EXPECT_EQ(TextOf(Part(d, e.edit)), Shown(recipe_.material.*e.field)) << e.edit;
            CheckDialogFont(Part(d, e.edit), e.edit);
        }
        EXPECT_EQ(TextOf(Part(d, "Edit1")), "300");
        EXPECT_EQ(TextOf(Part(d, "Edit2")), "-12");
        EXPECT_EQ(SendMessageA(Part(d, "CheckBox1"), BM_GETCHECK, 0, 0), BST_CHECKED);
        CheckDialogFont(Part(d, "OKBtn"), "OKBtn");
        EXPECT_EQ(TextOf(Part(d, "OKBtn")), "OK");
        EXPECT_EQ(TextOf(Part(d, "CancelBtn")), "Cancel");
        // The grey and the blue line of the view.
        const EditColours grey = ColoursOf(d, Part(d, "Edit1"));
        EXPECT_EQ(grey.background, RGB(128, 128, 128));
        EXPECT_EQ(grey.text, RGB(255, 255, 255));
        const EditColours blue = ColoursOf(d, Part(d, "Edit2"));
        EXPECT_EQ(blue.background, RGB(0, 0, 255));
        EXPECT_EQ(blue.text, RGB(255, 255, 255));
        EXPECT_EQ(ColoursOf(d, Part(d, "fOffsetX1")).background, GetSysColor(COLOR_WINDOW));
        CheckTabOrder(d, kInspectionTabOrder);
        EXPECT_FALSE(IsWindowEnabled(form_)) << "the main window waits while the dialog shows";
        Click(Part(d, "OKBtn"));
    });
    EXPECT_TRUE(IsWindowEnabled(form_));
    const station::ParameterSet saved = SavedParameters();
    for (const auto& e : kInspectionEdits) {
        EXPECT_EQ(saved.material.*e.field, Rounded(recipe_.material.*e.field)) << e.edit;
        EXPECT_NE(saved.material.*e.field, recipe_.material.*e.field) << e.edit;
    }
    EXPECT_EQ(saved.material.DiameterRangeX1, 300);
    EXPECT_EQ(saved.material.DiameterRangeX2, -12);
    EXPECT_EQ(saved.material.DiameterAtGreenLine, 1);
    EXPECT_EQ(saved.material.OkCount, 17);
    EXPECT_EQ(saved.material.NgCount, 4);
    EXPECT_EQ(saved.material.RingPosition, recipe_.material.RingPosition);
    EXPECT_EQ(Bytes(saved).substr(0, station::kMaterialOffset),
              Bytes(recipe_).substr(0, station::kMaterialOffset))
        << "calibration and operator blocks untouched";
}

TEST_F(InspectionDialog, TypedTextsAreFilteredAndConvertedLeniently) {
    Open(Recipe(kInspection));
    const struct {
        const char* edit;
        const char* keys; // after the old text was cleared
        const char* shown;
    } cases[] = {
        {"fOffsetX1", "", ""},         // cleared: 0
        {"fUpTol1", "1.2.3", "1.2.3"}, // 1.2
        {"fLowTol1", "-", "-"},        // 0
        {"Diameter1", "--5", "--5"},   // 0
        {"DiameterUpTol1", "a 0.b5\t,+e", "0.5"},
        {"DrillLength1",
         "3\r8.\x1b"
         "25",
         "38.25"},
        {"Edit1", "12-3", "12-3"}, // 12
        {"Edit2", "4.5x", "45"},   // "." refused by the integer edits
    };
    Operate("rightParaSetup1", "TCalFormEn2", [&](HWND d) {
        for (const auto& c : cases) {
            HWND e = Part(d, c.edit);
            Clear(e);
            Type(e, c.keys);
            EXPECT_EQ(TextOf(e), c.shown) << c.edit;
        }
        SendMessageA(Part(d, "CheckBox1"), BM_CLICK, 0, 0);
        // Enter in an edit presses OK and never reaches the edit.
        HWND last = Part(d, "DrillLength1");
        Click(last);
        Press(last, VK_RETURN);
    });
    const station::ParameterSet saved = SavedParameters();
    const auto& m = saved.material;
    EXPECT_EQ(m.OffsetX, 0);
    EXPECT_DOUBLE_EQ(m.UpTol, 1.2);
    EXPECT_EQ(m.LowTol, 0);
    EXPECT_EQ(m.Diameter, 0);
    EXPECT_EQ(m.DiameterUpTol, 0.5);
    EXPECT_EQ(m.DrillLength, 38.25);
    EXPECT_EQ(m.DiameterRangeX1, 12);
    EXPECT_EQ(m.DiameterRangeX2, 45);
    EXPECT_EQ(m.DiameterAtGreenLine, 0);
    // The untouched ones rounded, the others of the record as they were.
    EXPECT_EQ(m.DrillLengthOffset, Rounded(recipe_.material.DrillLengthOffset));
    EXPECT_EQ(m.DiameterLowTol, Rounded(recipe_.material.DiameterLowTol));
    EXPECT_EQ(m.OkCount, 17);
    EXPECT_EQ(m.NgCount, 4);
    EXPECT_EQ(m.RingPosition, recipe_.material.RingPosition);
}

TEST_F(InspectionDialog, CancelEscAndTheCloseBoxChangeNothing) {
    Open(Recipe(kInspection));
    const std::string before = FileBytes(copy_.Path("Kest.cfg"));
    const struct {
        const char* way;
        std::function<void(HWND)> close;
    } ways[] = {
        {"Cancel", [](HWND d) { Click(Part(d, "CancelBtn")); }},
        {"Esc", [](HWND d) { Press(Part(d, "fUpTol1"), VK_ESCAPE); }},
        {"close box", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& w : ways) {
        Operate("rightParaSetup1", "TCalFormEn2", [&](HWND d) {
            // What the previous showing typed is not there: nothing was kept.
            for (const auto& e : kInspectionEdits)
                EXPECT_EQ(TextOf(Part(d, e.edit)), Shown(recipe_.material.*e.field))
                    << w.way << " " << e.edit;
            EXPECT_EQ(TextOf(Part(d, "Edit1")), "300") << w.way;
            for (const auto& e : kInspectionEdits) {
                Clear(Part(d, e.edit));
                Type(Part(d, e.edit), "9.5");
            }
            Type(Part(d, "Edit1"), "77");
            SendMessageA(Part(d, "CheckBox1"), BM_CLICK, 0, 0);
            Click(Part(d, "fUpTol1"));
            w.close(d);
        });
        EXPECT_EQ(FileBytes(copy_.Path("Kest.cfg")), before) << w.way;
    }
    // What the station holds reaches the file when it closes: unchanged.
    station_->Close();
    station_.reset();
    EXPECT_EQ(Decoded(FileBytes(copy_.Path("Kest.cfg"))).material.OffsetX,
              recipe_.material.OffsetX);
    EXPECT_EQ(FileBytes(copy_.Path("Kest.cfg")), before);
}

// ------------------------------------------------------ calibration values

TEST_F(CalibrationDialog, OpensAsDesignedAndOkWithoutEditsWritesNoMaterialFile) {
    station::ParameterSet recipe = Recipe(kCalibrates);
    station::SetText(recipe.station.MaterialName, "drill-a");
    Open(recipe);
    const std::string caption = ParameterButtonCaption();
    copy_.RemoveFile("Kest.cfg");
    Operate("rightParaSetup1", "TCalFormAm2", [&](HWND d) {
        EXPECT_EQ(TextOf(d), caption);
        EXPECT_EQ(ClientSize(d).cx, 332);
        EXPECT_EQ(ClientSize(d).cy, 251);
        CheckPlaces(d, {{"fInitMoveX1", 184, 16, 130, 24},
                        {"fMoveX1", 184, 48, 130, 24},
                        {"fStdLength1", 184, 80, 130, 24},
                        {"fStdDiameter1", 184, 112, 130, 24},
                        {"fStdRingPosition1", 184, 144, 130, 24},
                        {"Panel1", 10, 182, 313, 9},
                        {"OKBtn", 63, 209, 75, 30},
                        {"CancelBtn", 207, 209, 75, 30}});
        const struct {
            const char* label;
            int top;
            const char* key;
        } labels[] = {{"fInitMoveXL1", 20, "IdlInitMoveX"},
                      {"fMoveXL1", 52, "IdlDistance"},
                      {"fStdLengthL1", 84, "IdlStdLength"},
                      {"fStdDiameterL1", 116, "IdlStdDiameter"},
                      {"fStdRingPositionL1", 148, "IdlStdRingPosition"}};
        for (const auto& l : labels) {
            HWND h = Part(d, l.label);
            EXPECT_EQ(BoundsInParent(h).left, 16) << l.label;
            EXPECT_EQ(BoundsInParent(h).top, l.top) << l.label;
            EXPECT_EQ(TextOf(h), DialogText(l.key)) << l.label;
        }
        for (const auto& e : kCalibrationEdits)
            EXPECT_EQ(TextOf(Part(d, e.edit)), Shown(recipe_.station.*e.field)) << e.edit;
        CheckTabOrder(d, {"OKBtn", "CancelBtn", "fMoveX1", "fStdLength1", "fInitMoveX1",
                          "fStdRingPosition1", "fStdDiameter1"});
        // Letters never reach these edits either.
        Type(Part(d, "fMoveX1"), "xyz ");
        EXPECT_EQ(TextOf(Part(d, "fMoveX1")), Shown(recipe_.station.MoveX));
        Press(Part(d, "OKBtn"), VK_RETURN);
    });
    const station::ParameterSet saved = SavedParameters();
    for (const auto& e : kCalibrationEdits)
        EXPECT_EQ(saved.station.*e.field, Rounded(recipe_.station.*e.field)) << e.edit;
    EXPECT_EQ(saved.material.RingPosition, recipe_.material.RingPosition);
    EXPECT_EQ(saved.station.CalMmPerPixel, recipe_.station.CalMmPerPixel);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(copy_.Path("CONFIG\\*.rec").c_str(), &found);
    std::vector<std::string> records;
    if (search != INVALID_HANDLE_VALUE) {
        do
            records.push_back(found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    EXPECT_EQ(std::count(records.begin(), records.end(), "drill-a.rec"), 0)
        << "OK writes no material file";
}

TEST_F(CalibrationDialog, RingPositionFollowsOnlyATouchedStandard) {
    Open(Recipe(kCalibrates));
    const struct {
        const char* what;
        std::function<void(HWND)> edit;
        bool follows; // the material's ring position becomes the standard
    } cases[] = {
        {"only the initial push edited",
         [](HWND d) {
             Clear(Part(d, "fInitMoveX1"));
             Type(Part(d, "fInitMoveX1"), "3.5");
         },
         false},
        {"a character typed and deleted in the standard",
         [](HWND d) {
             HWND e = Part(d, "fStdRingPosition1");
             SendMessageA(e, EM_SETSEL, 100, 100);
             Type(e, "7\b");
             EXPECT_EQ(TextOf(e), Shown(6.2512345));
         },
         true},
        {"a new standard",
         [](HWND d) {
             Clear(Part(d, "fStdRingPosition1"));
             Type(Part(d, "fStdRingPosition1"), "7.125");
         },
         true},
    };
    double ring = recipe_.material.RingPosition;
    for (const auto& c : cases) {
        Operate("rightParaSetup1", "TCalFormAm2", [&](HWND d) {
            c.edit(d);
            Click(Part(d, "OKBtn"));
        });
        const station::ParameterSet saved = SavedParameters();
        if (c.follows)
            ring = saved.station.StdRingPosition;
        EXPECT_EQ(saved.material.RingPosition, ring) << c.what;
    }
    const station::ParameterSet saved = SavedParameters();
    EXPECT_EQ(saved.station.InitMoveX, 3.5);
    EXPECT_EQ(saved.station.StdRingPosition, 7.125);
    EXPECT_EQ(saved.material.RingPosition, 7.125);
}

TEST_F(CalibrationDialog, NextCalibrationNUsesTheClassOfAChangedStandardDiameter) {
    station::ParameterSet recipe = Recipe(kCalibrates);
    recipe.station.DiameterMmPerPixel = {0.011, 0.012, 0.013, 0.014};
    recipe.material.DiameterRangeX1 = 250; // the cut lies on the drill's body
    Open(recipe);
    Operate("rightParaSetup1", "TCalFormAm2", [&](HWND d) {
        Clear(Part(d, "fStdDiameter1"));
        Type(Part(d, "fStdDiameter1"), "1.6"); // class 3 instead of class 0
        Click(Part(d, "OKBtn"));
    });
    station::ParameterSet saved = SavedParameters();
    EXPECT_EQ(saved.station.StdDiameter, 1.6);
    EXPECT_EQ(saved.station.DiameterMmPerPixel, recipe.station.DiameterMmPerPixel)
        << "the scales stay until the next calibration N";
    EXPECT_EQ(saved.station.CalMmPerPixel, recipe.station.CalMmPerPixel);

    // Calibration M, then N with a 1.6 mm drill 120 pixels further on.
    HMODULE camera = GetModuleHandleA(copy_.Path("Grabcard.dll").c_str());
    ASSERT_NE(camera, nullptr);
    auto getScene = reinterpret_cast<GrabcardSimGetSceneFn>(
        reinterpret_cast<void*>(GetProcAddress(camera, "GrabcardSimGetScene")));
    auto setScene = reinterpret_cast<GrabcardSimSetSceneFn>(
        reinterpret_cast<void*>(GetProcAddress(camera, "GrabcardSimSetScene")));
    ASSERT_NE(getScene, nullptr);
    ASSERT_NE(setScene, nullptr);
    constexpr double kScale = 0.01; // the scene's mm per pixel
    int32_t seed = 7;
    const auto show = [&](double tip) {
        DrillScene s{};
        getScene(&s);
        common::PlaceDrill(s, {kScale, 240.3, tip, 38.1, 1.6, 0, ++seed});
        ASSERT_EQ(setScene(&s), 0);
    };
    show(320);
    ASSERT_GE(station_->Function(2), 0);
    show(200);
    ASSERT_EQ(station_->Function(3), 0);
    saved = SavedParameters();
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_EQ(saved.station.DiameterMmPerPixel[k], recipe.station.DiameterMmPerPixel[k]) << k;
    EXPECT_NE(saved.station.DiameterMmPerPixel[3], recipe.station.DiameterMmPerPixel[3]);
    EXPECT_NEAR(saved.station.DiameterMmPerPixel[3], kScale, 0.0005)
        << "1.6 mm over the drill's height in pixels";
}

// ----------------------------------------------------------- ring position

TEST_F(RingPositionDialog, CaptionedByTheParameterButtonAndSavesTheMaterial) {
    Open(Recipe(kNoRights)); // empty material name
    const std::string caption = ParameterButtonCaption();
    ASSERT_FALSE(caption.empty());
    copy_.RemoveFile("CONFIG\\.rec");
    // Cancel from the ring-position panel: nothing written.
    Operate("ShowD", "TCalFormOp2", [&](HWND d) {
        EXPECT_EQ(TextOf(d), caption) << "the parameter button's caption, opened from ShowD";
        EXPECT_EQ(ClientSize(d).cx, 315);
        EXPECT_EQ(ClientSize(d).cy, 139);
        CheckPlaces(d, {{"fRingPosition1", 168, 32, 130, 24},
                        {"OKBtn", 55, 89, 75, 30},
                        {"CancelBtn", 191, 89, 75, 30}});
        EXPECT_EQ(BoundsInParent(Part(d, "fRingPositionL1")).left, 16);
        EXPECT_EQ(BoundsInParent(Part(d, "fRingPositionL1")).top, 36);
        EXPECT_EQ(TextOf(Part(d, "fRingPositionL1")), DialogText("IdlRingPosition"));
        EXPECT_EQ(TextOf(Part(d, "fRingPosition1")), Shown(recipe_.material.RingPosition));
        CheckTabOrder(d, {"OKBtn", "CancelBtn", "fRingPosition1"});
        Clear(Part(d, "fRingPosition1"));
        Type(Part(d, "fRingPosition1"), "1.5");
        Click(Part(d, "CancelBtn"));
    });
    EXPECT_EQ(GetFileAttributesA(copy_.Path("CONFIG\\.rec").c_str()), INVALID_FILE_ATTRIBUTES);
    // OK from the parameter button: the material file of the empty name.
    copy_.RemoveFile("Kest.cfg");
    Operate("rightParaSetup1", "TCalFormOp2", [&](HWND d) {
        EXPECT_EQ(TextOf(d), caption);
        EXPECT_EQ(TextOf(Part(d, "fRingPosition1")), Shown(recipe_.material.RingPosition))
            << "Cancel kept nothing";
        Clear(Part(d, "fRingPosition1"));
        Type(Part(d, "fRingPosition1"), "3.25");
        Click(Part(d, "OKBtn"));
    });
    const std::string record = FileBytes(copy_.Path("CONFIG\\.rec"));
    ASSERT_EQ(record.size(), station::MaterialRecord::kSize);
    const station::ParameterSet saved = SavedParameters();
    EXPECT_EQ(saved.material.RingPosition, 3.25);
    EXPECT_EQ(saved.material.OkCount, 17);
    EXPECT_EQ(record, Bytes(saved).substr(station::kMaterialOffset))
        << "the material file holds the record as saved with Kest.cfg";
}

// ---------------------------------------------------------------- keypad

TEST_F(NumericKeypad, TypesIntoTheTouchedEditThroughItsFilter) {
    Open(Recipe(kInspection));
    HWND keypad = nullptr;
    Operate("rightParaSetup1", "TCalFormEn2", [&](HWND d) {
        HWND offset = Part(d, "fOffsetX1");
        Click(offset); // a touch
        keypad = WaitShown("TKeyboard2");
        ASSERT_NE(keypad, nullptr);
        RECT dr, kr;
        GetWindowRect(d, &dr);
        GetWindowRect(keypad, &kr);
        EXPECT_EQ(kr.left, dr.left + (dr.right - dr.left) + 1) << "beside the dialog's right edge";
        EXPECT_EQ(kr.top, dr.top) << "top-aligned";
        EXPECT_EQ(ClientSize(keypad).cx, 218);
        EXPECT_EQ(ClientSize(keypad).cy, 291);
        EXPECT_EQ(TextOf(keypad), "Keyboard...");
        const struct {
            const char* key;
            const char* caption;
            int left, top, width;
        } keys[] = {
            {"N7", "7", 16, 16, 40},
            {"N8", "8", 72, 16, 40},
            {"N9", "9", 128, 16, 40},
            {"N4", "4", 16, 72, 40},
            {"N5", "5", 72, 72, 40},
            {"N6", "6", 128, 72, 40},
            {"N1", "1", 16, 128, 40},
            {"N2", "2", 72, 128, 40},
            {"N3", "3", 128, 128, 40},
            {"N0", "0", 16, 184, 40},
            {"SpeedButton1", "‧", 72, 184, 40},
            {"SpeedButton2", "-", 128, 184, 40},
            {"bs", "Backspace", 16, 240, 96},
            {"SpeedButton3", "", 128, 240, 40},
        };
        for (const auto& k : keys) {
            HWND h = Part(keypad, k.key);
            const LOGFONTA font = FontOf(h);
            EXPECT_STREQ(font.lfFaceName, "MS Sans Serif") << k.key;
            EXPECT_EQ(std::abs(font.lfHeight), 16) << k.key;
            EXPECT_EQ(font.lfWeight, std::string(k.key) == "bs" ? FW_NORMAL : FW_BOLD) << k.key;
            const RECT r = BoundsInParent(h);
            EXPECT_EQ(r.left, k.left) << k.key;
            EXPECT_EQ(r.top, k.top) << k.key;
            EXPECT_EQ(r.right - r.left, k.width) << k.key;
            EXPECT_EQ(r.bottom - r.top, 40) << k.key;
            EXPECT_EQ(TextOf(h), k.caption) << k.key;
        }
        // The keypad's own colour between the keys.
        Sleep(300);
        POINT between{2, 2};
        ClientToScreen(keypad, &between);
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(GetPixel(screen, between.x, between.y), RGB(204, 153, 255));
        ReleaseDC(nullptr, screen);

        // The touch selected the whole value: the first digit replaces it.
        EXPECT_EQ(FocusOf(d), offset);
        Click(Part(keypad, "N7"));
        EXPECT_EQ(TextOf(offset), "7");
        Click(Part(keypad, "SpeedButton1"));
        EXPECT_EQ(TextOf(offset), "7.") << "the hyphenation point types a decimal point";
        Click(Part(keypad, "N5"));
        Click(Part(keypad, "bs"));
        Click(Part(keypad, "N2"));
        Click(Part(keypad, "SpeedButton2"));
        EXPECT_EQ(TextOf(offset), "7.2-");
        EXPECT_EQ(FocusOf(d), offset) << "the keys never take the focus";
        EXPECT_NE(GetForegroundWindow(), keypad);

        // A touch on another edit while the keypad shows: that edit is typed in.
        HWND x1 = Part(d, "Edit1");
        Click(x1);
        for (const char* k : {"N4", "SpeedButton1", "N2"})
            Click(Part(keypad, k));
        EXPECT_EQ(TextOf(x1), "42") << "the integer edit refuses the point";
        EXPECT_EQ(TextOf(offset), "7.2-");

        // The close key hides the keypad; a touch brings it back with the
        // target taken anew.
        Click(Part(keypad, "SpeedButton3"));
        EXPECT_FALSE(IsWindowVisible(keypad));
        HWND upTol = Part(d, "fUpTol1");
        Click(upTol);
        EXPECT_TRUE(IsWindowVisible(keypad));
        Click(Part(keypad, "N3"));
        EXPECT_EQ(TextOf(upTol), "3");
        EXPECT_EQ(TextOf(x1), "42");
        Click(Part(d, "OKBtn"));
    });
    EXPECT_FALSE(IsWindow(keypad)) << "the keypad goes with its dialog";
    const station::ParameterSet saved = SavedParameters();
    EXPECT_DOUBLE_EQ(saved.material.OffsetX, 7.2);
    EXPECT_EQ(saved.material.DiameterRangeX1, 42);
    EXPECT_EQ(saved.material.UpTol, 3);

    // Every way of closing a dialog takes its visible keypad with it, and
    // every dialog has one.
    const struct {
        const char* dialog;
        const char* edit;
        std::function<void(HWND)> close;
    } closings[] = {
        {"TCalFormEn2", "fLowTol1", [](HWND d) { Click(Part(d, "CancelBtn")); }},
        {"TCalFormEn2", "Edit2", [](HWND d) { PostMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"TCalFormEn2", "Diameter1", [](HWND d) { Press(Part(d, "Diameter1"), VK_ESCAPE); }},
    };
    for (const auto& c : closings) {
        HWND shown = nullptr;
        Operate("rightParaSetup1", c.dialog, [&](HWND d) {
            Click(Part(d, c.edit));
            shown = WaitShown("TKeyboard2");
            ASSERT_NE(shown, nullptr) << c.dialog;
            c.close(d);
        });
        EXPECT_FALSE(IsWindow(shown)) << c.dialog;
        EXPECT_EQ(FindOwnWindow("TKeyboard2"), nullptr) << c.dialog;
    }
    Operate("ShowD", "TCalFormOp2", [&](HWND d) {
        HWND e = Part(d, "fRingPosition1");
        Click(e);
        HWND k = WaitShown("TKeyboard2");
        ASSERT_NE(k, nullptr);
        for (const char* key : {"N1", "SpeedButton1", "N5"})
            Click(Part(k, key));
        EXPECT_EQ(TextOf(e), "1.5");
        Click(Part(d, "CancelBtn"));
    });
    EXPECT_EQ(FindOwnWindow("TKeyboard2"), nullptr);
}

TEST_F(NumericKeypad, CalibrationDialogKeypad) {
    Open(Recipe(kCalibrates));
    Operate("rightParaSetup1", "TCalFormAm2", [&](HWND d) {
        HWND standard = Part(d, "fStdRingPosition1");
        Click(standard);
        HWND k = WaitShown("TKeyboard2");
        ASSERT_NE(k, nullptr);
        RECT dr, kr;
        GetWindowRect(d, &dr);
        GetWindowRect(k, &kr);
        EXPECT_EQ(kr.left, dr.right + 1);
        EXPECT_EQ(kr.top, dr.top);
        // The same text again, typed on the keypad: still a change.
        const std::string old = TextOf(standard);
        for (char c : old)
            Click(Part(k, c == '.' ? "SpeedButton1" : (std::string("N") + c).c_str()));
        EXPECT_EQ(TextOf(standard), old);
        Click(Part(d, "OKBtn"));
    });
    EXPECT_EQ(FindOwnWindow("TKeyboard2"), nullptr);
    const station::ParameterSet saved = SavedParameters();
    EXPECT_EQ(saved.material.RingPosition, Rounded(recipe_.station.StdRingPosition));
}

// Not a check of its own: with DIALOG_PICTURES naming a folder, each dialog
// with its keypad is copied from the screen there, in both languages.
TEST_F(NumericKeypad, PicturesForLookingAt) {
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("DIALOG_PICTURES", folder, sizeof folder))
        GTEST_SKIP() << "DIALOG_PICTURES not set";
    const struct {
        uint32_t rights;
        const char* opener;
        const char* dialog;
        const char* edit;
        const char* name;
    } shots[] = {
        {kInspection, "rightParaSetup1", "TCalFormEn2", "Diameter1", "inspection"},
        {kCalibrates, "rightParaSetup1", "TCalFormAm2", "fMoveX1", "calibration"},
        {kNoRights, "ShowD", "TCalFormOp2", "fRingPosition1", "ring"},
    };
    for (int language : {0, 1}) {
        for (const auto& s : shots) {
            if (station_) {
                station_->Close();
                station_.reset();
            }
            Open(Recipe(s.rights, language));
            bool saved = false;
            Operate(s.opener, s.dialog, [&](HWND d) {
                Click(Part(d, s.edit));
                HWND k = WaitShown("TKeyboard2");
                Sleep(600);
                RECT dr{}, kr{};
                GetWindowRect(d, &dr);
                if (k)
                    GetWindowRect(k, &kr);
                RECT all;
                UnionRect(&all, &dr, &kr);
                InflateRect(&all, 6, 6);
                saved = SaveScreen(all, std::string(folder) + "\\" + s.name + "-" +
                                            std::to_string(language) + ".bmp");
                Click(Part(d, "CancelBtn"));
            });
            EXPECT_TRUE(saved) << s.name;
        }
    }
}
