// TCalFormOp2: the ring-position dialog of the current material.  Texts are
// written in UTF-8 and compiled to code page 950.
#include "params/parameter_edits.h"
#include "ui/cal_form_common.h"

namespace station {
namespace {

using kit::Component;
using kit::Kind;

constexpr int kClientWidth = 315;
constexpr int kClientHeight = 139;

constexpr Component kComponents[] = {
    {.name = "fRingPositionL1",
     .kind = Kind::Label,
     .left = 16,
     .top = 36,
     .width = 150,
     .height = 16,
     .caption = "上環深度(mm):",
     .font = kDialogFont},
    {.name = "fRingPosition1",
     .kind = Kind::Edit,
     .left = 168,
     .top = 32,
     .width = 130,
     .height = 24,
     .font = kDialogFont},
    {.name = "OKBtn",
     .kind = Kind::Button,
     .left = 55,
     .top = 89,
     .width = 75,
     .height = 30,
     .caption = "OK",
     .font = kDialogFont},
    {.name = "CancelBtn",
     .kind = Kind::Button,
     .left = 191,
     .top = 89,
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

class TCalFormOp2 : public CalForm {
  public:
    explicit TCalFormOp2(const DialogContext& context) : CalForm(context, Keypad()) {
        CreateDialogForm("TCalFormOp2", "校正...", kClientWidth, kClientHeight);
        Build(kComponents);
        Caption("fRingPositionL1", "IdlRingPosition");
        RealEdit("fRingPosition1");
        SetDefaultButton("OKBtn", kOk);
        SetCancelButton("CancelBtn", kCancel);
        SetTabOrder({"OKBtn", "CancelBtn", "fRingPosition1"});
    }

  protected:
    void FormShow() override {
        ApplyCaptions();
        EditNamed("fRingPosition1").SetText(edits::RingPositionFill(params_.material));
    }

    // OKBtnClick.
    void ModalButtonClick(int result) override {
        if (result != kOk)
            return;
        const std::string ring = EditNamed("fRingPosition1").Text();
        WriteBack([&] { edits::RingPositionWriteBack(params_.material, ring); });
    }
};

} // namespace

int RunCalFormOp2(const DialogContext& context) {
    TCalFormOp2 form(context);
    // The parameter button's caption, however the dialog was opened.
    SetWindowTextA(form.hwnd(), context.caption.c_str());
    return form.ShowModal();
}

} // namespace station
