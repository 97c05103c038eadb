// TKeyboard2: the numeric on-screen keypad of a parameter dialog.  Its keys
// never take the focus: the keypad types, as WM_CHAR, into the window that
// had the focus when it became visible (its target), so the target's own key
// filter applies to every key.
#pragma once

#include "ui/kit/form.h"

namespace station {

class TKeyboard2 : public kit::Form {
  public:
    TKeyboard2();
    ~TKeyboard2() override;

    HWND target() const { return target_; }
    // Stands at (left, top) and shows without taking the activation; the
    // target is captured when it was hidden.
    void ShowAt(int left, int top);
    // A touch on another edit while the keypad shows: that edit is typed in.
    void Retarget(HWND target) { target_ = target; }
    // The close key: hidden; the target stays until the next showing.
    void Hide();

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void KeyClick(kit::Control& key);
    HWND target_ = nullptr;
    kit::Brush background_;
};

// The characters of the keypad's tags 0..12: the digits, backspace, ".", "-".
char KeypadCharacter(int tag);

} // namespace station
