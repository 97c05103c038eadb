// TKeyboard2Char: the alphanumeric on-screen keypad of the main window, for
// typing file names on the touch screen: digits, the upper-case letters,
// decimal point, minus and backspace.
#pragma once

#include "ui/keypad.h"

#include <memory>

namespace station {

class TKeyboard2Char : public Keypad {
  public:
    explicit TKeyboard2Char(HWND owner);
    ~TKeyboard2Char() override;
};

// The one alphanumeric keypad of the process, or null.
std::unique_ptr<TKeyboard2Char>& ScreenKeyboard();

} // namespace station
