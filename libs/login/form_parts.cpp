#include "libs/login/form_parts.h"

#include "ui/kit/window.h"

#include <vector>

namespace login {

const char* const kMessageCaption = "登入 Login";

HWND MakeControl(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w,
                 int h, int id, DWORD exStyle) {
    HWND c = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, x,
                             y, w, h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             kit::ThisModule(), nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    return c;
}

std::string TextOf(HWND parent, int id) {
    HWND c = GetDlgItem(parent, id);
    const int n = GetWindowTextLengthA(c);
    if (n <= 0)
        return {};
    std::vector<char> buffer(static_cast<std::size_t>(n) + 1, 0);
    const int got = GetWindowTextA(c, buffer.data(), n + 1);
    std::string text(buffer.data(), static_cast<std::size_t>(std::max(got, 0)));
    SecureZeroMemory(buffer.data(), buffer.size());
    return text;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void Wipe(std::string& text) {
    if (!text.empty())
        SecureZeroMemory(text.data(), text.size());
    text.clear();
}

void ClearText(HWND parent, int id) {
    SetDlgItemTextA(parent, id, "");
}

void Warn(HWND owner, const std::string& text) {
    MessageBoxA(owner, text.c_str(), kMessageCaption, MB_OK | MB_ICONWARNING);
}

} // namespace login
