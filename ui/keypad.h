// What the station's two on-screen keypads share: their window (a small
// popup with a fixed dialog border, the caption "Keyboard..." and a lilac
// background, never activated), the key table, and the typing.  Keys never
// take the focus: the keypad types, as WM_CHAR, into the window that had the
// focus when it became visible (its target), so the target's own key filter
// applies to every key.
#pragma once

#include "ui/kit/form.h"

namespace station {

// The characters of the keys' tags 0..12: the digits, backspace, ".", "-";
// '\0' for any other tag.
char KeypadCharacter(int tag);

// The caption of the decimal-point key: the hyphenation point "‧" in code
// page 950 (the key types ".").
extern const char kPointKeyCaption[];

// Key fonts: bold for the character keys, regular for the wide ones.
inline constexpr kit::FontStyle kKeyFont{"MS Sans Serif", -16, RGB(0, 0, 0), true};
inline constexpr kit::FontStyle kWideKeyFont{"MS Sans Serif", -16, RGB(0, 0, 0), false};

// A key of a keypad's table, drawn as a push button.
constexpr kit::Component KeypadKey(const char* name, const char* caption, int tag, int left,
                                   int top, int width, int height,
                                   const kit::FontStyle& font = kKeyFont) {
    return {.name = name,
            .kind = kit::Kind::FlatButton,
            .left = left,
            .top = top,
            .width = width,
            .height = height,
            .caption = caption,
            .font = font,
            .tag = tag,
            .raised = true};
}

class Keypad : public kit::Form {
  public:
    ~Keypad() override;

    // The window the keys type into; null until the keypad was first shown.
    HWND target() const { return target_; }

  protected:
    Keypad();
    // The hidden window of that class and client size, owned by owner (or
    // by none).
    void CreateKeypad(const char* className, int clientWidth, int clientHeight,
                      HWND owner = nullptr);
    // Sends c to the target and waits until it has taken (or refused) it;
    // nothing without a target.
    void Type(char c) const;
    // A key of the table: the character of its tag.
    void TypeTag(const kit::Control& key) const { Type(KeypadCharacter(key.tag())); }
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

    HWND target_ = nullptr;

  private:
    kit::Brush background_;
};

} // namespace station
