#include "libs/login/screen_keyboard.h"

#include "ui/kit/window.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace login {
namespace {

constexpr int kKey = 40;
constexpr int kGap = 4;
constexpr int kMargin = 6;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST;
constexpr const char* kCaption = "螢幕鍵盤 Keyboard";

struct KeyPlace {
    int id;
    int width; // in key widths
};

// Four rows, as on a keyboard.
std::vector<std::vector<KeyPlace>> Rows() {
    std::vector<std::vector<KeyPlace>> rows(4);
    for (char c : std::string("1234567890-"))
        rows[0].push_back({c, 1});
    rows[0].push_back({kBackspaceKey, 2});
    for (char c : std::string("QWERTYUIOP_"))
        rows[1].push_back({c, 1});
    for (char c : std::string("ASDFGHJKL.@"))
        rows[2].push_back({c, 1});
    rows[3].push_back({kShiftKey, 2});
    for (char c : std::string("ZXCVBNM"))
        rows[3].push_back({c, 1});
    rows[3].push_back({kSpaceKey, 3});
    return rows;
}

class Keyboard;

// One key: paints itself and tells the keyboard when it is pressed; it never
// takes the focus.
class Key : public kit::Window {
  public:
    Key(Keyboard& board, HWND parent, int id, int x, int y, int w, int h);
    void Relabel() { InvalidateRect(hwnd(), nullptr, TRUE); }

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void Paint();
    Keyboard& board_;
    int id_;
    bool down_ = false;
};

class Keyboard : public kit::Window {
  public:
    Keyboard() {
        const auto rows = Rows();
        int width = 0;
        for (const auto& row : rows) {
            int w = 0;
            for (const KeyPlace& k : row)
                w += k.width * kKey + (k.width - 1) * kGap + kGap;
            width = std::max(width, w - kGap);
        }
        const int height = static_cast<int>(rows.size()) * (kKey + kGap) - kGap;
        RECT r{0, 0, width + 2 * kMargin, height + 2 * kMargin};
        AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
        Style s{kKeyboardClass};
        s.caption = kCaption;
        s.style = kStyle;
        s.exStyle = kExStyle;
        s.width = r.right - r.left;
        s.height = r.bottom - r.top;
        s.x = 0;
        s.y = 0;
        if (!Create(s))
            return;
        int y = kMargin;
        for (const auto& row : rows) {
            int x = kMargin;
            for (const KeyPlace& k : row) {
                const int w = k.width * kKey + (k.width - 1) * kGap;
                keys_.push_back(std::make_unique<Key>(*this, hwnd(), k.id, x, y, w, kKey));
                x += w + kGap;
            }
            y += kKey + kGap;
        }
    }

    std::string Label(int id) const {
        switch (id) {
        case kBackspaceKey:
            return "Back";
        case kShiftKey:
            return shift_ ? "SHIFT" : "Shift";
        case kSpaceKey:
            return "Space";
        default:
            break;
        }
        return std::string(1, static_cast<char>(Typed(id)));
    }

    void Press(int id) {
        if (id == kShiftKey) {
            shift_ = !shift_;
            for (auto& k : keys_)
                k->Relabel();
            return;
        }
        HWND target = Target();
        if (!target)
            return;
        const WPARAM c = static_cast<WPARAM>(Typed(id));
        DWORD pid = 0;
        if (GetWindowThreadProcessId(target, &pid) == GetCurrentThreadId())
            SendMessageA(target, WM_CHAR, c, 1);
        else
            PostMessageA(target, WM_CHAR, c, 1);
    }

    void ShowAt(const RECT* beside) {
        RECT w{};
        GetWindowRect(hwnd(), &w);
        const int width = w.right - w.left, height = w.bottom - w.top;
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        int x = (work.left + work.right - width) / 2;
        int y = work.bottom - height - 8;
        if (beside) {
            x = (beside->left + beside->right - width) / 2;
            y = beside->bottom + 4;
            if (y + height > work.bottom)
                y = beside->top - height - 4;
        }
        x = std::max<int>(work.left, std::min<int>(x, work.right - width));
        y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
        SetWindowPos(hwnd(), HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
    }

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_MOUSEACTIVATE:
            return MA_NOACTIVATE;
        case WM_CLOSE:
            ShowWindow(hwnd(), SW_HIDE);
            return 0;
        default:
            break;
        }
        return Window::OnMessage(msg, wp, lp);
    }

  private:
    int Typed(int id) const {
        if (id >= 'A' && id <= 'Z' && !shift_)
            return std::tolower(id);
        return id;
    }

    // The window with the focus: in the foreground thread first (the
    // keyboard never is the foreground), else in this thread.
    HWND Target() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        HWND focus = nullptr;
        if (GetGUIThreadInfo(0, &info))
            focus = info.hwndFocus;
        if (!focus)
            focus = GetFocus();
        if (focus && (focus == hwnd() || IsChild(hwnd(), focus)))
            return nullptr;
        return focus;
    }

    std::vector<std::unique_ptr<Key>> keys_;
    bool shift_ = false;
};

Key::Key(Keyboard& board, HWND parent, int id, int x, int y, int w, int h)
    : board_(board), id_(id) {
    Style s{kKeyClass};
    s.style = WS_CHILD | WS_VISIBLE;
    s.x = x;
    s.y = y;
    s.width = w;
    s.height = h;
    s.owner = parent;
    if (Create(s))
        SetWindowLongPtrA(hwnd(), GWLP_ID, id);
}

LRESULT Key::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        down_ = true;
        InvalidateRect(hwnd(), nullptr, TRUE);
        board_.Press(id_);
        return 0;
    case WM_LBUTTONUP:
        down_ = false;
        InvalidateRect(hwnd(), nullptr, TRUE);
        return 0;
    case WM_GETTEXT: {
        // The key's label, so that it can be read like a button's.
        const std::string label = board_.Label(id_);
        const auto size = static_cast<std::size_t>(wp);
        if (size == 0)
            return 0;
        const std::size_t n = std::min(label.size(), size - 1);
        std::memcpy(reinterpret_cast<char*>(lp), label.data(), n);
        reinterpret_cast<char*>(lp)[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(board_.Label(id_).size());
    case WM_PAINT:
        Paint();
        return 0;
    default:
        break;
    }
    return Window::OnMessage(msg, wp, lp);
}

void Key::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd(), &ps);
    RECT r{};
    GetClientRect(hwnd(), &r);
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (down_ ? DFCS_PUSHED : 0));
    const HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    const std::string label = board_.Label(id_);
    DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &r,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(hwnd(), &ps);
}

std::unique_ptr<Keyboard>& Holder() {
    // Never destroyed by the runtime at process exit: the window goes with
    // its thread, or with DestroyScreenKeyboard when the library is unloaded.
    static auto* holder = new std::unique_ptr<Keyboard>;
    return *holder;
}

} // namespace

void ShowScreenKeyboard(const RECT* beside) {
    auto& k = Holder();
    if (k && !IsWindow(k->hwnd()))
        k.reset();
    if (!k)
        k = std::make_unique<Keyboard>();
    if (k->hwnd())
        k->ShowAt(beside);
}

void HideScreenKeyboard() {
    auto& k = Holder();
    if (k && k->hwnd() && IsWindow(k->hwnd()))
        ShowWindow(k->hwnd(), SW_HIDE);
}

bool ScreenKeyboardShown() {
    auto& k = Holder();
    return k && k->hwnd() && IsWindowVisible(k->hwnd());
}

void DestroyScreenKeyboard() {
    auto& k = Holder();
    if (!k)
        return;
    HWND h = k->hwnd();
    if (h && GetWindowThreadProcessId(h, nullptr) != GetCurrentThreadId()) {
        // Another thread's window cannot be destroyed from here; it is
        // hidden and left to its thread.
        ShowWindow(h, SW_HIDE);
        (void)k.release();
        return;
    }
    k.reset();
}

} // namespace login
