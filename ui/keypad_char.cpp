#include "ui/keypad_char.h"

namespace station {
namespace {
constexpr COLORREF kKeypadColour = RGB(204, 153, 255);
constexpr int kClientWidth = 370;
constexpr int kClientHeight = 191;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
} // namespace

std::unique_ptr<TKeyboard2Char>& ScreenKeyboard() {
    // The holder outlives the module's static destructors: a window is never
    // destroyed from within the unloading at process exit.
    static auto* keyboard = new std::unique_ptr<TKeyboard2Char>;
    return *keyboard;
}

TKeyboard2Char::TKeyboard2Char(HWND owner) {
    background_ = CreateSolidBrush(kKeypadColour);
    RECT r{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    Style s{"TKeyboard2Char"};
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

TKeyboard2Char::~TKeyboard2Char() {
    Destroy();
    if (background_)
        DeleteObject(background_);
}

LRESULT TKeyboard2Char::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SHOWWINDOW:
        // The keypad types into the window that had the focus when it came up.
        if (wp)
            target_ = GetFocus();
        break;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd(), &rc);
        FillRect(reinterpret_cast<HDC>(wp), &rc, background_);
        return 1;
    }
    case WM_CLOSE:
        ShowWindow(hwnd(), SW_HIDE);
        return 0;
    default:
        break;
    }
    return Window::OnMessage(msg, wp, lp);
}

} // namespace station
