// The parameter dialogs' shared parts and the main window's entry.  Texts
// are written in UTF-8 and compiled to code page 950.
#include "ui/cal_form_common.h"

#include "params/parameter_edits.h"

namespace station {

namespace {
constexpr const char* kCaptionSection = "Calibration2Dialog";
} // namespace

CalForm::CalForm(const DialogContext& context, std::unique_ptr<TKeyboard2>& keypad)
    : context_(context), params_(*context.params), keypad_(keypad) {
    if (!keypad_)
        keypad_ = std::make_unique<TKeyboard2>();
}

CalForm::~CalForm() {
    // Whatever ended the showing, no keypad outlives its dialog.
    keypad_.reset();
}

void CalForm::CloseQuery() {
    keypad_.reset();
}

void CalForm::RealEdit(const char* name) {
    kit::Edit& e = EditNamed(name);
    e.onKeyPress = [](kit::Edit&, char c) { return edits::RealKeyPasses(c) ? c : '\0'; };
    e.onMouseUp = [this](kit::Edit& edit) { fMoveX1MouseUp(edit); };
}

void CalForm::IntegerEdit(const char* name) {
    kit::Edit& e = EditNamed(name);
    e.onKeyPress = [](kit::Edit&, char c) { return edits::IntegerKeyPasses(c) ? c : '\0'; };
    e.onMouseUp = [this](kit::Edit& edit) { fMoveX1MouseUp(edit); };
}

void CalForm::Caption(const char* label, const char* key) {
    captions_.push_back({&Bind(label), key});
}

void CalForm::ApplyCaptions() {
    for (const LabelCaption& c : captions_)
        c.label->SetCaption(context_.text ? context_.text(kCaptionSection, c.key) : std::string());
}

void CalForm::fMoveX1MouseUp(kit::Edit& edit) {
    edit.SelectAll();
    if (!keypad_)
        return;
    RECT r;
    GetWindowRect(hwnd(), &r);
    const bool shown = IsWindowVisible(keypad_->hwnd()) != FALSE;
    keypad_->ShowAt(r.left + (r.right - r.left) + 1, r.top);
    // Already up: the touched edit, whose text is now selected, is the one
    // the keys type into.
    if (shown)
        keypad_->Retarget(edit.hwnd());
}

bool ShowParameterDialog(int which, const DialogContext& context) {
    if (!context.params)
        return false;
    int result = kit::ModalForm::kNone;
    switch (static_cast<ParameterDialog>(which)) {
    case ParameterDialog::RingPosition:
        result = RunCalFormOp2(context);
        break;
    case ParameterDialog::Calibration:
        result = RunCalFormAm2(context);
        break;
    case ParameterDialog::Inspection:
        result = RunCalFormEn2(context);
        break;
    default:
        return false;
    }
    if (result != kit::ModalForm::kOk)
        return false;
    if (context.repaintView)
        context.repaintView();
    if (which == static_cast<int>(ParameterDialog::RingPosition)) {
        if (context.saveMaterial)
            context.saveMaterial();
    } else if (context.saveParameterFile) {
        context.saveParameterFile();
    }
    return true;
}

} // namespace station
