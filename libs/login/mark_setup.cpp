#include "libs/login/mark_setup.h"

#include "ui/kit/window.h"

#include <vector>

namespace login {
namespace {

// The window's own texts are code page 950 (this file is compiled with that
// charset); the caption comes from the caller.
constexpr const char* kColourGroup = "顏色 Colour";
constexpr const char* kWidthGroup = "線寬 Width";
constexpr const char* kTicksText = "刻度 Ticks (0.1 mm)";
constexpr const char* kOkText = "確定 OK";
constexpr const char* kCancelText = "取消 Cancel";

class MarkSetupWindow : public kit::Window {
  public:
    MarkSetupWindow(const std::string& caption, const MarkSettings& now) : chosen_(now) {
        Style s{kMarkSetupClass};
        s.caption = caption.c_str();
        s.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
        s.exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
        s.width = 330;
        s.height = 300;
        s.x = (GetSystemMetrics(SM_CXSCREEN) - s.width) / 2;
        s.y = (GetSystemMetrics(SM_CYSCREEN) - s.height) / 2;
        s.owner = GetActiveWindow();
        if (!Create(s))
            return;
        const auto& colours = MarkColours();
        for (std::size_t i = 0; i < colours.size(); ++i) {
            HWND r = Control("BUTTON", colours[i].label,
                             BS_AUTORADIOBUTTON | WS_TABSTOP | (i == 0 ? WS_GROUP : 0), 22,
                             30 + 24 * static_cast<int>(i), 130, 20,
                             kColourFirstId + static_cast<int>(i));
            if (static_cast<int>(i) == now.colour)
                SendMessageA(r, BM_SETCHECK, BST_CHECKED, 0);
        }
        // Each frame comes after the buttons it holds, so that it lies under
        // them and ends their group.
        Control("BUTTON", kColourGroup, BS_GROUPBOX | WS_GROUP, 10, 8, 150,
                30 + 24 * static_cast<int>(colours.size()), 0);
        for (int w = MarkSettings::kMinWidth; w <= MarkSettings::kMaxWidth; ++w) {
            const std::string text = std::to_string(w) + " px";
            HWND r = Control("BUTTON", text.c_str(),
                             BS_AUTORADIOBUTTON | WS_TABSTOP |
                                 (w == MarkSettings::kMinWidth ? WS_GROUP : 0),
                             182, 30 + 24 * (w - 1), 110, 20, kWidthFirstId + w - 1);
            if (w == now.width)
                SendMessageA(r, BM_SETCHECK, BST_CHECKED, 0);
        }
        Control("BUTTON", kWidthGroup, BS_GROUPBOX | WS_GROUP, 170, 8, 140, 106, 0);
        HWND ticks = Control("BUTTON", kTicksText, BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 170,
                             126, 145, 20, kTicksId);
        SendMessageA(ticks, BM_SETCHECK, now.ticks ? BST_CHECKED : BST_UNCHECKED, 0);
        ok_ = Control("BUTTON", kOkText, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 60, 210, 95, 32,
                      IDOK);
        Control("BUTTON", kCancelText, BS_PUSHBUTTON | WS_TABSTOP, 170, 210, 95, 32, IDCANCEL);
    }

    std::optional<MarkSettings> Run() {
        if (!hwnd())
            return std::nullopt;
        HWND owner = GetWindow(hwnd(), GW_OWNER);
        const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
        if (ownerWasEnabled)
            EnableWindow(owner, FALSE);
        ShowWindow(hwnd(), SW_SHOW);
        SetFocus(ok_);
        kit::RunModalLoop([this] { return done_; }, hwnd());
        // The owner is enabled again before this window goes, so that the
        // activation returns to it.
        if (ownerWasEnabled)
            EnableWindow(owner, TRUE);
        Destroy();
        return result_;
    }

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case DM_GETDEFID:
            return MAKELRESULT(IDOK, DC_HASDEFID);
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK) {
                result_ = Chosen();
                done_ = true;
                return 0;
            }
            if (LOWORD(wp) == IDCANCEL) {
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
    HWND Control(const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
                 int id) {
        HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, x,
                                 y, w, h, hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 kit::ThisModule(), nullptr);
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     TRUE);
        return c;
    }

    bool Checked(int id) const {
        return SendMessageA(GetDlgItem(hwnd(), id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }

    MarkSettings Chosen() const {
        MarkSettings s = chosen_;
        for (int i = 0; i < static_cast<int>(MarkColours().size()); ++i)
            if (Checked(kColourFirstId + i))
                s.colour = i;
        for (int w = MarkSettings::kMinWidth; w <= MarkSettings::kMaxWidth; ++w)
            if (Checked(kWidthFirstId + w - 1))
                s.width = w;
        s.ticks = Checked(kTicksId);
        return s;
    }

    MarkSettings chosen_;
    HWND ok_ = nullptr;
    bool done_ = false;
    std::optional<MarkSettings> result_;
};

} // namespace

std::optional<MarkSettings> ShowMarkSetup(const std::string& caption, const MarkSettings& now) {
    MarkSetupWindow w(caption, now);
    return w.Run();
}

} // namespace login
