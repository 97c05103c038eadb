// The numeric keypad's form and keys.
#include "ui/keypad_numeric.h"

#include "ui/res/glyphs.h"

namespace station {
namespace {

using kit::Component;
using kit::Kind;

constexpr int kClientWidth = 218;
constexpr int kClientHeight = 291;

constexpr Component Key(const char* name, const char* caption, int tag, int left, int top,
                        int width = 40, const kit::FontStyle& font = kKeyFont) {
    return KeypadKey(name, caption, tag, left, top, width, 40, font);
}

constexpr Component kKeys[] = {
    Key("N7", "7", 7, 16, 16),
    Key("N8", "8", 8, 72, 16),
    Key("N9", "9", 9, 128, 16),
    Key("N4", "4", 4, 16, 72),
    Key("N5", "5", 5, 72, 72),
    Key("N6", "6", 6, 128, 72),
    Key("N1", "1", 1, 16, 128),
    Key("N2", "2", 2, 72, 128),
    Key("N3", "3", 3, 128, 128),
    Key("N0", "0", 0, 16, 184),
    Key("SpeedButton1", kPointKeyCaption, 11, 72, 184),
    Key("SpeedButton2", "-", 12, 128, 184),
    Key("bs", "Backspace", 10, 16, 240, 96, kWideKeyFont),
    {.name = "SpeedButton3",
     .kind = Kind::FlatButton,
     .left = 128,
     .top = 240,
     .width = 40,
     .height = 40,
     .font = kKeyFont,
     .tag = -1,
     .glyph = GLYPH_CLOSE,
     .raised = true},
};

} // namespace

TKeyboard2::TKeyboard2() {
    CreateKeypad("TKeyboard2", kClientWidth, kClientHeight);
    Build(kKeys);
    for (const Component& c : kKeys) {
        kit::Control& key = Bind(c.name);
        if (c.tag >= 0)
            key.onClick = [this](kit::Control& k) { TypeTag(k); };
        else
            key.onClick = [this](kit::Control&) { Hide(); };
    }
}

TKeyboard2::~TKeyboard2() = default;

void TKeyboard2::ShowAt(int left, int top) {
    SetWindowPos(hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!IsWindowVisible(hwnd()))
        ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
}

void TKeyboard2::Hide() {
    ShowWindow(hwnd(), SW_HIDE);
}

} // namespace station
