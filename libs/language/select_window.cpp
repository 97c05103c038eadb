#include "libs/language/select_window.h"

namespace language {
namespace {

constexpr int kListId = 100;

class SelectWindow : public kit::Window {
  public:
    SelectWindow(const std::string& title, const std::vector<Choice>& choices, int32_t current)
        : choices_(choices) {
        Style s{"LanguageSelect"};
        s.caption = title.c_str();
        s.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
        s.exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
        s.width = 300;
        s.height = 260;
        s.x = (GetSystemMetrics(SM_CXSCREEN) - s.width) / 2;
        s.y = (GetSystemMetrics(SM_CYSCREEN) - s.height) / 2;
        s.owner = GetActiveWindow();
        if (!Create(s))
            return;
        HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        HINSTANCE m = kit::ThisModule();
        list_ = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY, 10, 10, 270, 160,
                                hwnd(), reinterpret_cast<HMENU>(kListId), m, nullptr);
        HWND ok = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 60,
                                  185, 80, 30, hwnd(), reinterpret_cast<HMENU>(IDOK), m, nullptr);
        HWND cancel =
            CreateWindowExA(0, "BUTTON", "Cancel", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 160, 185,
                            80, 30, hwnd(), reinterpret_cast<HMENU>(IDCANCEL), m, nullptr);
        for (HWND c : {list_, ok, cancel})
            SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        for (std::size_t i = 0; i < choices_.size(); ++i) {
            SendMessageA(list_, LB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(choices_[i].name.c_str()));
            if (choices_[i].identifier == current)
                SendMessageA(list_, LB_SETCURSEL, i, 0);
        }
    }

    std::optional<int32_t> Run() {
        if (!hwnd())
            return std::nullopt;
        HWND owner = GetWindow(hwnd(), GW_OWNER);
        const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
        if (ownerWasEnabled)
            EnableWindow(owner, FALSE);
        ShowWindow(hwnd(), SW_SHOW);
        SetFocus(list_);
        kit::RunModalLoop([this] { return done_; }, hwnd());
        if (ownerWasEnabled)
            EnableWindow(owner, TRUE);
        Destroy();
        return result_;
    }

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || (LOWORD(wp) == kListId && HIWORD(wp) == LBN_DBLCLK)) {
                const LRESULT sel = SendMessageA(list_, LB_GETCURSEL, 0, 0);
                if (sel != LB_ERR && static_cast<std::size_t>(sel) < choices_.size()) {
                    result_ = choices_[static_cast<std::size_t>(sel)].identifier;
                    done_ = true;
                }
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
    std::vector<Choice> choices_;
    HWND list_ = nullptr;
    bool done_ = false;
    std::optional<int32_t> result_;
};

} // namespace

std::optional<int32_t> ShowSelectWindow(const std::string& title,
                                        const std::vector<Choice>& choices, int32_t current) {
    SelectWindow w(title, choices, current);
    return w.Run();
}

} // namespace language
