// TKeyboard2Char: the alphanumeric on-screen keypad of the main window.
#pragma once

#include "ui/kit/window.h"

#include <memory>

namespace station {

class TKeyboard2Char : public kit::Window {
  public:
    explicit TKeyboard2Char(HWND owner);
    ~TKeyboard2Char() override;

    HWND target() const { return target_; }

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    HWND target_ = nullptr;
    HBRUSH background_ = nullptr;
};

// The one alphanumeric keypad of the process, or null.
std::unique_ptr<TKeyboard2Char>& ScreenKeyboard();

} // namespace station
