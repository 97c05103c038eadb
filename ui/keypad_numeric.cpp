// The numeric keypad's form and keys.  Its texts are written in UTF-8 and
// compiled to code page 950.
#include "ui/keypad_numeric.h"

#include "ui/res/glyphs.h"

namespace station {
namespace {

using kit::Component;
using kit::FontStyle;
using kit::Kind;

constexpr COLORREF kKeypadColour = RGB(204, 153, 255); // 0xFF99CC
constexpr int kClientWidth = 218;
constexpr int kClientHeight = 291;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;

constexpr FontStyle kKeyFont{"MS Sans Serif", -16, RGB(0, 0, 0), true};
constexpr FontStyle kBackspaceFont{"MS Sans Serif", -16, RGB(0, 0, 0), false};

constexpr Component Key(const char* name, const char* caption, int tag, int left, int top,
                        int width = 40, const FontStyle& font = kKeyFont) {
    return {.name = name,
            .kind = Kind::FlatButton,
            .left = left,
            .top = top,
            .width = width,
            .height = 40,
            .caption = caption,
            .font = font,
            .tag = tag,
            .raised = true};
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
    Key("SpeedButton1", "‧", 11, 72, 184),
    Key("SpeedButton2", "-", 12, 128, 184),
    Key("bs", "Backspace", 10, 16, 240, 96, kBackspaceFont),
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

// The key table shared by the station's keypads.
constexpr char kKeyCharacters[13] = {'0', '1', '2', '3',  '4', '5', '6',
                                     '7', '8', '9', '\b', '.', '-'};

} // namespace

char KeypadCharacter(int tag) {
    return tag >= 0 && tag < 13 ? kKeyCharacters[tag] : '\0';
}

TKeyboard2::TKeyboard2() : background_(CreateSolidBrush(kKeypadColour)) {
    RECT r{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    Style s{"TKeyboard2"};
    s.caption = "Keyboard...";
    s.style = kStyle;
    s.exStyle = kExStyle;
    s.x = 0;
    s.y = 0;
    s.width = r.right - r.left;
    s.height = r.bottom - r.top;
    Create(s);
    Build(kKeys);
    for (const Component& c : kKeys) {
        kit::Control& key = (*this)[c.name];
        if (c.tag >= 0)
            key.onClick = [this](kit::Control& k) { KeyClick(k); };
        else
            key.onClick = [this](kit::Control&) { Hide(); };
    }
}

TKeyboard2::~TKeyboard2() = default;

void TKeyboard2::KeyClick(kit::Control& key) {
    if (!target_)
        return;
    // Waits until the target has taken (or refused) the character.
    SendMessageA(target_, WM_CHAR, static_cast<unsigned char>(KeypadCharacter(key.tag())), 0);
}

void TKeyboard2::ShowAt(int left, int top) {
    SetWindowPos(hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!IsWindowVisible(hwnd()))
        ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
}

void TKeyboard2::Hide() {
    ShowWindow(hwnd(), SW_HIDE);
}

LRESULT TKeyboard2::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SHOWWINDOW:
        // The target is the window that has the focus as the keypad comes up.
        if (wp)
            target_ = GetFocus();
        break;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd(), &rc);
        FillRect(reinterpret_cast<HDC>(wp), &rc, background_.get());
        return 1;
    }
    case WM_CLOSE:
        Hide();
        return 0;
    default:
        break;
    }
    return Form::OnMessage(msg, wp, lp);
}

} // namespace station
