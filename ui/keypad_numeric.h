// TKeyboard2: the numeric on-screen keypad of a parameter dialog.
#pragma once

#include "ui/keypad.h"

namespace station {

class TKeyboard2 : public Keypad {
  public:
    TKeyboard2();
    ~TKeyboard2() override;

    // Stands at (left, top) and shows without taking the activation; the
    // target is captured when it was hidden.
    void ShowAt(int left, int top);
    // A touch on another edit while the keypad shows: that edit is typed in.
    void Retarget(HWND target) { target_ = target; }
    // The close key: hidden; the target stays until the next showing.
    void Hide();
};

} // namespace station
