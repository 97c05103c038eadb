// TCalFormAm2: the calibration-value dialog.  It edits what ties the camera
// to the machine: initial push, push distance between the calibration
// positions, standard drill length, diameter and ring position.  A touched
// standard ring position becomes the current material's ring position.
// Texts are written in UTF-8 and compiled to code page 950.
#include "params/parameter_edits.h"
#include "ui/cal_form_common.h"

namespace station {
namespace {

using kit::Bevel;
using kit::Component;
using kit::Kind;

constexpr int kClientWidth = 332;
constexpr int kClientHeight = 251;
constexpr COLORREF kRed = RGB(255, 0, 0);

constexpr Component Label(const char* name, int top, const char* caption) {
    return {.name = name,
            .kind = Kind::Label,
            .left = 16,
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
    Label("fInitMoveXL1", 20, "推針初始值(mm):"),
    Field("fInitMoveX1", 16),
    Label("fMoveXL1", 52, "推針距離(mm):"),
    Field("fMoveX1", 48),
    Label("fStdLengthL1", 84, "標準針長(mm):"),
    Field("fStdLength1", 80),
    Label("fStdDiameterL1", 116, "標準直徑(mm):"),
    Field("fStdDiameter1", 112),
    Label("fStdRingPositionL1", 148, "標準上環深度(mm):"),
    Field("fStdRingPosition1", 144),
    {.name = "Bevel1",
     .kind = Kind::Panel,
     .left = 10,
     .top = 182,
     .width = 313,
     .height = 9,
     .visible = false,
     .bevelOuter = Bevel::Lowered},
    {.name = "Panel1",
     .kind = Kind::Panel,
     .left = 10,
     .top = 182,
     .width = 313,
     .height = 9,
     .colour = kRed,
     .bevelInner = Bevel::Lowered},
    {.name = "OKBtn",
     .kind = Kind::Button,
     .left = 63,
     .top = 209,
     .width = 75,
     .height = 30,
     .caption = "OK",
     .font = kDialogFont},
    {.name = "CancelBtn",
     .kind = Kind::Button,
     .left = 207,
     .top = 209,
     .width = 75,
     .height = 30,
     .caption = "Cancel",
     .font = kDialogFont},
};

std::unique_ptr<TKeyboard2>& Keypad() {
    // The holder outlives the module's static destructors.
    static auto* keypad = new std::unique_ptr<TKeyboard2>;
    return *keypad;
}

class TCalFormAm2 : public CalForm {
  public:
    explicit TCalFormAm2(const DialogContext& context) : CalForm(context, Keypad()) {
        CreateDialogForm("TCalFormAm2", "校正...", kClientWidth, kClientHeight);
        Build(kComponents);
        Caption("fMoveXL1", "IdlDistance");
        Caption("fStdLengthL1", "IdlStdLength");
        Caption("fStdDiameterL1", "IdlStdDiameter");
        Caption("fStdRingPositionL1", "IdlStdRingPosition");
        Caption("fInitMoveXL1", "IdlInitMoveX");
        for (const edits::StationRealField& f : edits::kCalibrationReals)
            RealEdit(f.edit);
        EditNamed("fStdRingPosition1").onChange = [this](kit::Edit&) { fStdRingPosition1Change(); };
        SetDefaultButton("OKBtn", kOk);
        SetCancelButton("CancelBtn", kCancel);
        SetTabOrder({"OKBtn", "CancelBtn", "fMoveX1", "fStdLength1", "fInitMoveX1",
                     "fStdRingPosition1", "fStdDiameter1"});
    }

  protected:
    void FormShow() override {
        ApplyCaptions();
        RingPositionChanged.Reset();
        const edits::CalibrationTexts t = edits::CalibrationFill(params_.station);
        for (std::size_t i = 0; i < std::size(edits::kCalibrationReals); ++i)
            EditNamed(edits::kCalibrationReals[i].edit).SetText(t.reals[i]);
        // Filling fStdRingPosition1 raised its change event.
        RingPositionChanged.Reset();
    }

    void fStdRingPosition1Change() { RingPositionChanged.TextChanged(); }

    // OKBtnClick.
    void ModalButtonClick(int result) override {
        if (result != kOk)
            return;
        edits::CalibrationTexts t;
        for (std::size_t i = 0; i < std::size(edits::kCalibrationReals); ++i)
            t.reals[i] = EditNamed(edits::kCalibrationReals[i].edit).Text();
        WriteBack([&] {
            edits::CalibrationWriteBack(params_.station, params_.material, t, RingPositionChanged);
        });
    }

  private:
    edits::RingPositionFlag RingPositionChanged;
};

} // namespace

int RunCalFormAm2(const DialogContext& context) {
    TCalFormAm2 form(context);
    SetWindowTextA(form.hwnd(), context.caption.c_str());
    return form.ShowModal();
}

} // namespace station
