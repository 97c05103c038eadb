// TCalFormEn2: the inspection parameter dialog.  It edits the current
// material's recipe: ring-offset compensation and tolerances, drill length
// and diameter with their tolerances and corrections, the two pixel columns
// of the diameter measurement and where the diameter is measured.  Texts
// are written in UTF-8 and compiled to code page 950.
#include "params/parameter_edits.h"
#include "ui/cal_form_common.h"

namespace station {
namespace {

using kit::Bevel;
using kit::Component;
using kit::FontStyle;
using kit::Kind;

constexpr int kClientWidth = 332;
constexpr int kClientHeight = 566;
constexpr int kOuterHeight = 542;

// The colours of the view's grey and blue lines at the same columns.
constexpr COLORREF kGreyLine = RGB(128, 128, 128);
constexpr COLORREF kBlueLine = RGB(0, 0, 255);
constexpr FontStyle kWhiteText{"細明體", -16, RGB(255, 255, 255)};

constexpr Component Label(const char* name, int left, int top, const char* caption) {
    return {.name = name,
            .kind = Kind::Label,
            .left = left,
            .top = top,
            .width = 166,
            .height = 16,
            .caption = caption,
            .font = kDialogFont};
}

constexpr Component Field(const char* name, int top) {
    return {.name = name,
            .kind = Kind::Edit,
            .left = 184,
            .top = top,
            .width = 130,
            .height = 24,
            .font = kDialogFont};
}

constexpr Component kComponents[] = {
    Label("fOffsetXL1", 16, 18, "推針補償值(mm):"),
    Field("fOffsetX1", 14),
    Label("DiameterOffsetL1", 16, 50, "針直徑補償值(mm):"),
    Field("DiameterOffset1", 46),
    Label("DrillLengthOffsetL1", 16, 82, "針全長補償值(mm):"),
    Field("DrillLengthOffset1", 78),
    Label("Label1", 16, 114, "針直徑範圍(pixel):"),
    {.name = "Edit2",
     .kind = Kind::Edit,
     .left = 184,
     .top = 110,
     .width = 60,
     .height = 24,
     .caption = "000",
     .colour = kBlueLine,
     .font = kWhiteText},
    {.name = "Edit1",
     .kind = Kind::Edit,
     .left = 254,
     .top = 110,
     .width = 60,
     .height = 24,
     .caption = "000",
     .colour = kGreyLine,
     .font = kWhiteText},
    {.name = "Bevel2",
     .kind = Kind::Panel,
     .left = 9,
     .top = 150,
     .width = 313,
     .height = 9,
     .visible = false,
     .bevelOuter = Bevel::Lowered},
    {.name = "Panel1",
     .kind = Kind::Panel,
     .left = 9,
     .top = 150,
     .width = 313,
     .height = 9,
     .colour = kBlueLine,
     .bevelInner = Bevel::Lowered},
    {.name = "CheckBox1",
     .kind = Kind::CheckBox,
     .left = 16,
     .top = 174,
     .width = 249,
     .height = 17,
     .caption = "鑽針直徑量測位置-綠線",
     .font = kDialogFont},
    Label("DiameterL1", 16, 206, "針直徑(mm):"),
    Field("Diameter1", 202),
    Label("DiameterUpTolL1", 16, 238, "針直徑上限值(mm):"),
    Field("DiameterUpTol1", 234),
    Label("DiameterLowTolL1", 16, 270, "針直徑下限值(mm):"),
    Field("DiameterLowTol1", 266),
    Label("DrillLengthL1", 16, 302, "針全長(mm):"),
    Field("DrillLength1", 298),
    Label("DrillLengthUpTolL1", 16, 334, "針全長上限值(mm):"),
    Field("DrillLengthUpTol1", 330),
    Label("DrillLengthLowTolL1", 16, 366, "針全長下限值(mm):"),
    Field("DrillLengthLowTol1", 362),
    Label("fUpTolL1", 16, 404, "確認上限值(mm):"),
    Field("fUpTol1", 400),
    Label("fLowTolL1", 16, 436, "確認下限值(mm):"),
    Field("fLowTol1", 432),
    {.name = "OKBtn",
     .kind = Kind::Button,
     .left = 63,
     .top = 473,
     .width = 75,
     .height = 30,
     .caption = "OK",
     .font = kDialogFont},
    {.name = "CancelBtn",
     .kind = Kind::Button,
     .left = 207,
     .top = 473,
     .width = 75,
     .height = 30,
     .caption = "Cancel",
     .font = kDialogFont},
};

// The captions in the order the dialog loads them.
constexpr struct {
    const char* label;
    const char* key;
} kCaptions[] = {
    {"fOffsetXL1", "IdlOffset"},
    {"fUpTolL1", "IdlUpTol"},
    {"fLowTolL1", "IdlLowTol"},
    {"DrillLengthOffsetL1", "DrillLengthOffset"},
    {"DiameterOffsetL1", "DiameterOffset"},
    {"DiameterL1", "Diameter"},
    {"DiameterUpTolL1", "DiameterUpTol"},
    {"DiameterLowTolL1", "DiameterLowTol"},
    {"DrillLengthL1", "DrillLength"},
    {"DrillLengthUpTolL1", "DrillLengthUpTol"},
    {"DrillLengthLowTolL1", "DrillLengthLowTol"},
    {"CheckBox1", "DiameterPos"},
    {"Label1", "DiameterPos2"},
};

std::unique_ptr<TKeyboard2>& Keypad() {
    // The holder outlives the module's static destructors.
    static auto* keypad = new std::unique_ptr<TKeyboard2>;
    return *keypad;
}

class TCalFormEn2 : public CalForm {
  public:
    explicit TCalFormEn2(const DialogContext& context) : CalForm(context, Keypad()) {
        CreateDialogForm("TCalFormEn2", "校正...", kClientWidth, kClientHeight);
        Build(kComponents);
        for (const auto& c : kCaptions)
            Caption(c.label, c.key);
        checkBox1_ = &Bind("CheckBox1");
        for (const edits::MaterialRealField& f : edits::kInspectionReals)
            RealEdit(f.edit);
        IntegerEdit("Edit1");
        IntegerEdit("Edit2");
        SetDefaultButton("OKBtn", kOk);
        SetCancelButton("CancelBtn", kCancel);
        SetTabOrder({"OKBtn", "CancelBtn", "fOffsetX1", "fUpTol1", "fLowTol1", "Diameter1",
                     "DiameterUpTol1", "DiameterLowTol1", "DrillLength1", "DrillLengthUpTol1",
                     "DrillLengthLowTol1", "CheckBox1", "DrillLengthOffset1", "DiameterOffset1",
                     "Edit1", "Edit2"});
    }

  protected:
    void FormShow() override {
        ApplyCaptions();
        const edits::InspectionTexts t = edits::InspectionFill(params_.material);
        for (std::size_t i = 0; i < std::size(edits::kInspectionReals); ++i)
            EditNamed(edits::kInspectionReals[i].edit).SetText(t.reals[i]);
        SendMessageA(checkBox1_->hwnd(), BM_SETCHECK,
                     t.diameterAtGreenLine ? BST_CHECKED : BST_UNCHECKED, 0);
        EditNamed("Edit1").SetText(t.rangeX1);
        EditNamed("Edit2").SetText(t.rangeX2);
    }

    // OKBtnClick: every field written back, edited or not.
    void ModalButtonClick(int result) override {
        if (result != kOk)
            return;
        edits::InspectionTexts t;
        for (std::size_t i = 0; i < std::size(edits::kInspectionReals); ++i)
            t.reals[i] = EditNamed(edits::kInspectionReals[i].edit).Text();
        t.diameterAtGreenLine = SendMessageA(checkBox1_->hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
        t.rangeX1 = EditNamed("Edit1").Text();
        t.rangeX2 = EditNamed("Edit2").Text();
        WriteBack([&] { edits::InspectionWriteBack(params_.material, t); });
    }

  private:
    kit::Control* checkBox1_ = nullptr;
};

} // namespace

int RunCalFormEn2(const DialogContext& context) {
    TCalFormEn2 form(context);
    SetWindowTextA(form.hwnd(), context.caption.c_str());
    RECT r;
    GetWindowRect(form.hwnd(), &r);
    SetWindowPos(form.hwnd(), nullptr, 0, 0, r.right - r.left, kOuterHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return form.ShowModal();
}

} // namespace station
