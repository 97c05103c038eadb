#include "libs/about/about_form.h"

#include "ui/kit/window.h"

#include <windows.h>

#include <vector>

namespace about {
namespace {

constexpr const char* kVersionText = "版本 Version";
constexpr const char* kAuthorText = "作者 Author";
constexpr const char* kDateText = "日期 Date";
constexpr const char* kBuildText = "程式 Build";
constexpr const char* kOkText = "確定 OK";

constexpr int kWidth = 460, kHeight = 250;
constexpr int kLabelX = 20, kLabelW = 110, kValueX = 134, kValueW = kWidth - kValueX - 20;
constexpr int kRowH = 22, kRowStep = 30;

// A bold font for the system name, deleted with the window.
class TitleFont {
  public:
    TitleFont() {
        font_ = CreateFontA(-22, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "MS Shell Dlg");
    }
    ~TitleFont() {
        if (font_)
            DeleteObject(font_);
    }
    TitleFont(const TitleFont&) = delete;
    TitleFont& operator=(const TitleFont&) = delete;
    HFONT get() const { return font_; }

  private:
    HFONT font_ = nullptr;
};

class AboutWindow : public kit::Window {
  public:
    explicit AboutWindow(const AboutTexts& t) {
        RECT r{0, 0, kWidth, kHeight};
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
        const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
        Style s{kAboutFormClass};
        s.caption = t.caption.c_str();
        s.style = style;
        s.exStyle = exStyle;
        s.width = r.right - r.left;
        s.height = r.bottom - r.top;
        s.x = (GetSystemMetrics(SM_CXSCREEN) - s.width) / 2;
        s.y = (GetSystemMetrics(SM_CYSCREEN) - s.height) / 3;
        s.owner = GetActiveWindow();
        if (!Create(s))
            return;
        HWND name = Text(t.systemName.c_str(), SS_CENTER, 20, 18, kWidth - 40, 32, kSystemNameId);
        if (title_.get())
            SendMessageA(name, WM_SETFONT, reinterpret_cast<WPARAM>(title_.get()), TRUE);
        int y = 66;
        Row(kVersionText, t.version, y, kVersionId);
        Row(kAuthorText, t.author, y += kRowStep, kAuthorId);
        Row(kDateText, t.date, y += kRowStep, kDateId);
        Row(kBuildText, BuildVersion(), y += kRowStep, kBuildId);
        ok_ = CreateWindowExA(
            0, "BUTTON", kOkText, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
            (kWidth - 110) / 2, kHeight - 46, 110, 30, hwnd(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)), kit::ThisModule(), nullptr);
        Font(ok_);
    }

    void Run() {
        if (!hwnd())
            return;
        HWND owner = GetWindow(hwnd(), GW_OWNER);
        const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
        if (ownerWasEnabled)
            EnableWindow(owner, FALSE);
        ShowWindow(hwnd(), SW_SHOW);
        SetFocus(ok_);
        kit::RunModalLoop([this] { return done_; }, hwnd());
        if (ownerWasEnabled)
            EnableWindow(owner, TRUE);
        Destroy();
    }

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case DM_GETDEFID:
            return MAKELRESULT(IDOK, DC_HASDEFID);
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                done_ = true;
                return 0;
            }
            break;
        case WM_CLOSE:
            done_ = true;
            return 0;
        default:
            break;
        }
        return Window::OnMessage(msg, wp, lp);
    }

  private:
    static void Font(HWND h) {
        SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     TRUE);
    }

    HWND Text(const char* text, DWORD style, int x, int y, int w, int h, int id) {
        HWND c = CreateWindowExA(0, "STATIC", text,
                                 WS_CHILD | WS_VISIBLE | SS_NOPREFIX | SS_ENDELLIPSIS | style, x, y,
                                 w, h, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 kit::ThisModule(), nullptr);
        Font(c);
        return c;
    }

    void Row(const char* label, const std::string& value, int y, int id) {
        Text(label, SS_LEFT, kLabelX, y, kLabelW, kRowH, 0);
        Text(value.c_str(), SS_LEFT, kValueX, y, kValueW, kRowH, id);
    }

    TitleFont title_;
    HWND ok_ = nullptr;
    bool done_ = false;
};

// A string of the version resource's English block, or "".
std::string VersionString(const std::vector<char>& block, const char* key) {
    void* value = nullptr;
    UINT size = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + key;
    if (!VerQueryValueA(block.data(), path.c_str(), &value, &size) || !value || size == 0)
        return {};
    return std::string(static_cast<const char*>(value),
                       strnlen(static_cast<const char*>(value), size));
}

} // namespace

std::string BuildVersion() {
    char file[MAX_PATH] = {};
    if (!GetModuleFileNameA(kit::ThisModule(), file, sizeof file))
        return "?";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    if (size == 0)
        return "?";
    std::vector<char> block(size, 0);
    if (!GetFileVersionInfoA(file, 0, size, block.data()))
        return "?";
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    std::string number;
    if (VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize) && fixed &&
        fixedSize >= sizeof *fixed)
        number = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                 std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                 std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                 std::to_string(LOWORD(fixed->dwFileVersionLS));
    const std::string product = VersionString(block, "ProductName");
    if (product.empty())
        return number.empty() ? "?" : number;
    return number.empty() ? product : product + " " + number;
}

void ShowAboutForm(const AboutTexts& texts) {
    AboutWindow w(texts);
    w.Run();
}

} // namespace about
