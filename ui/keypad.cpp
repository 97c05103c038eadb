// The keypads' shared window and key table.  Its texts are written in UTF-8
// and compiled to code page 950.
#include "ui/keypad.h"

namespace station {
namespace {

constexpr COLORREF kKeypadColour = RGB(204, 153, 255); // 0xFF99CC
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;

constexpr char kKeyCharacters[13] = {'0', '1', '2', '3',  '4', '5', '6',
                                     '7', '8', '9', '\b', '.', '-'};

} // namespace

const char kPointKeyCaption[] = "‧";

char KeypadCharacter(int tag) {
    return tag >= 0 && tag < 13 ? kKeyCharacters[tag] : '\0';
}

Keypad::Keypad() : background_(CreateSolidBrush(kKeypadColour)) {}

Keypad::~Keypad() = default;

void Keypad::CreateKeypad(const char* className, int clientWidth, int clientHeight, HWND owner) {
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    Style s{className};
    s.caption = "Keyboard...";
    s.style = kStyle;
    s.exStyle = kExStyle;
    s.x = 0;
    s.y = 0;
    s.width = r.right - r.left;
    s.height = r.bottom - r.top;
    s.owner = owner;
    Create(s);
}

void Keypad::Type(char c) const {
    if (!target_ || c == '\0')
        return;
    SendMessageA(target_, WM_CHAR, static_cast<unsigned char>(c), 0);
}

LRESULT Keypad::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_WINDOWPOSCHANGING: {
        // Hidden to visible, whether by ShowWindow or by SetWindowPos: the
        // target is the window that has the focus as the keypad comes up.
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
        if ((pos->flags & SWP_SHOWWINDOW) && !IsWindowVisible(hwnd()))
            target_ = GetFocus();
        break;
    }
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd(), &rc);
        FillRect(reinterpret_cast<HDC>(wp), &rc, background_.get());
        return 1;
    }
    case WM_CLOSE:
        // The close box hides the keypad; its owner destroys it.
        ShowWindow(hwnd(), SW_HIDE);
        return 0;
    default:
        break;
    }
    return Form::OnMessage(msg, wp, lp);
}

} // namespace station
