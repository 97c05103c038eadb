// What the three parameter dialogs share: a modal form of fixed border with
// OK and Cancel, edits that bring up the dialog's numeric keypad when
// touched, the key filters, and the keypad's life from the dialog's
// construction to its closing.
#pragma once

#include <functional>

#include "ui/keypad_numeric.h"
#include "ui/kit/form.h"
#include "ui/parameter_dialogs.h"

#include <memory>
#include <vector>

namespace station {

class CalForm : public kit::ModalForm {
  public:
    // keypad: the dialog class's process-wide keypad reference; created
    // here when it is empty.
    CalForm(const DialogContext& context, std::unique_ptr<TKeyboard2>& keypad);
    ~CalForm() override;

    TKeyboard2* keypad() const { return keypad_.get(); }

  protected:
    // The edits' events: the real-number or the integer key filter, and
    // the keypad on a released mouse button.
    void RealEdit(const char* name);
    void IntegerEdit(const char* name);
    kit::Edit& EditNamed(const char* name) const { return Bind<kit::Edit>(name); }
    // A label whose caption comes from section "Calibration2Dialog" at each
    // showing, bound when the dialog is built.
    void Caption(const char* label, const char* key);
    // Every such caption, in the order they were named.
    void ApplyCaptions();
    // Touch on an edit: its text selected, the keypad beside the dialog.
    void fMoveX1MouseUp(kit::Edit& edit);
    // Every way of closing: the keypad destroyed and forgotten.
    void CloseQuery() override;

    // The write-back of OK, under the station lock when there is one.
    void WriteBack(const std::function<void()>& write) const {
        if (context_.underStationLock)
            context_.underStationLock(write);
        else
            write();
    }
    const DialogContext& context_;
    ParameterSet& params_;

  private:
    std::unique_ptr<TKeyboard2>& keypad_;
    struct LabelCaption {
        kit::Control* label;
        const char* key;
    };
    std::vector<LabelCaption> captions_;
};

// The dialogs' design font: "細明體", 16 pixels (its name compiled to code
// page 950 like every source that includes this header).
inline constexpr kit::FontStyle kDialogFont{"細明體", -16, RGB(0, 0, 0)};

// The three dialogs, each in its own file.
int RunCalFormEn2(const DialogContext& context);
int RunCalFormAm2(const DialogContext& context);
int RunCalFormOp2(const DialogContext& context);

} // namespace station
