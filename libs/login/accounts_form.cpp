#include "libs/login/accounts_form.h"

#include "libs/login/form_parts.h"
#include "libs/login/messages.h"
#include "libs/login/screen_keyboard.h"
#include "ui/kit/window.h"

#include <string>

namespace login {
namespace {

constexpr const char* kCaption = "帳號管理 Accounts";
constexpr const char* kNameText = "使用者 User";
constexpr const char* kRoleText = "職務 Role";
constexpr const char* kPasswordText = "新密碼 Password";
constexpr const char* kRepeatText = "再次輸入 Repeat";
constexpr const char* kAddText = "新增 Add";
constexpr const char* kChangeText = "修改 Change";
constexpr const char* kRemoveText = "刪除 Remove";
constexpr const char* kKeyboardText = "鍵盤 Keyboard";
constexpr const char* kCloseText = "關閉 Close";
constexpr const char* kRoleLabels[] = {"操作員 operator", "工程師 engineer", "維修 maintenance"};
constexpr const char* kChangeNote = "修改時密碼空白則不變。\nAn empty password keeps the old one.";

constexpr int kWidth = 560, kHeight = 330;
constexpr int kListX = 12, kListW = 220;
constexpr int kLabelX = 248, kLabelW = 116, kEditX = 366, kEditW = 180;
constexpr int kRowH = 24, kRowStep = 34;
constexpr int kButtonW = 96, kButtonH = 30, kButtonStep = 102;

class AccountsWindow : public kit::Window {
  public:
    AccountsWindow(HWND owner, AccountStore& store) : store_(store) {
        RECT r{0, 0, kWidth, kHeight};
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
        const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
        Style s{kAccountsFormClass};
        s.caption = kCaption;
        s.style = style;
        s.exStyle = exStyle;
        s.width = r.right - r.left;
        s.height = r.bottom - r.top;
        s.x = (GetSystemMetrics(SM_CXSCREEN) - s.width) / 2;
        s.y = (GetSystemMetrics(SM_CYSCREEN) - s.height) / 3;
        s.owner = owner;
        if (!Create(s))
            return;
        MakeControl(hwnd(), "LISTBOX", "",
                    LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP | WS_GROUP, kListX,
                    12, kListW, 262, kListId, WS_EX_CLIENTEDGE);
        int y = 12;
        Label(kNameText, y);
        name_ = MakeControl(hwnd(), "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, kEditX, y, kEditW,
                            kRowH, kNameId, WS_EX_CLIENTEDGE);
        SendMessageA(name_, EM_LIMITTEXT, 256, 0);
        Label(kRoleText, y += kRowStep);
        HWND roles = MakeControl(hwnd(), "COMBOBOX", "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL,
                                 kEditX, y, kEditW, 120, kRoleId);
        for (const char* label : kRoleLabels)
            SendMessageA(roles, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
        SendMessageA(roles, CB_SETCURSEL, 0, 0);
        Label(kPasswordText, y += kRowStep);
        Password(kNewPasswordId, y);
        Label(kRepeatText, y += kRowStep);
        Password(kNewRepeatId, y);
        MakeControl(hwnd(), "STATIC", kChangeNote, SS_LEFT, kLabelX, y += kRowStep,
                    kWidth - kLabelX - 12, 32, 0);
        y += 44;
        int x = kLabelX;
        MakeControl(hwnd(), "BUTTON", kAddText, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, x, y,
                    kButtonW, kButtonH, kAddId);
        MakeControl(hwnd(), "BUTTON", kChangeText, BS_PUSHBUTTON | WS_TABSTOP, x += kButtonStep, y,
                    kButtonW, kButtonH, kChangeId);
        MakeControl(hwnd(), "BUTTON", kRemoveText, BS_PUSHBUTTON | WS_TABSTOP, x += kButtonStep, y,
                    kButtonW, kButtonH, kRemoveId);
        y += kButtonH + 10;
        MakeControl(hwnd(), "BUTTON", kKeyboardText, BS_PUSHBUTTON | WS_TABSTOP, kLabelX, y,
                    kButtonW, kButtonH, kAccountsKeyboardId);
        MakeControl(hwnd(), "BUTTON", kCloseText, BS_PUSHBUTTON | WS_TABSTOP,
                    kLabelX + 2 * kButtonStep, y, kButtonW, kButtonH, IDCANCEL);
        MakeControl(hwnd(), "STATIC", "", SS_LEFT | SS_NOPREFIX, kListX, kHeight - 34,
                    kWidth - 2 * kListX, 24, kAccountsStatusId);
        lastEdit_ = name_;
        Fill();
    }

    void Run() {
        if (!hwnd())
            return;
        HWND owner = GetWindow(hwnd(), GW_OWNER);
        const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
        if (ownerWasEnabled)
            EnableWindow(owner, FALSE);
        ShowWindow(hwnd(), SW_SHOW);
        SetForegroundWindow(hwnd());
        SetFocus(name_);
        kit::RunModalLoop([this] { return done_; }, hwnd());
        if (ownerWasEnabled)
            EnableWindow(owner, TRUE);
        Destroy();
    }

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == EN_SETFOCUS) {
                lastEdit_ = reinterpret_cast<HWND>(lp);
                return 0;
            }
            if (LOWORD(wp) == kListId) {
                if (HIWORD(wp) == LBN_SELCHANGE)
                    OnSelect();
                return 0;
            }
            if (HIWORD(wp) == BN_CLICKED || lp == 0) {
                OnCommand(LOWORD(wp));
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
    void Label(const char* text, int y) {
        MakeControl(hwnd(), "STATIC", text, SS_LEFT, kLabelX, y + 4, kLabelW, kRowH - 4, 0);
    }

    void Password(int id, int y) {
        HWND e = MakeControl(hwnd(), "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, kEditX,
                             y, kEditW, kRowH, id, WS_EX_CLIENTEDGE);
        SendMessageA(e, EM_LIMITTEXT, 256, 0);
    }

    // The list from the store, one line per account.
    void Fill() {
        HWND list = GetDlgItem(hwnd(), kListId);
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
        for (const Account& a : store_.accounts()) {
            std::string line = a.name + "  (" + RoleName(a.role) + ")";
            if (store_.LockSecondsLeft(a) > 0)
                line += "  locked";
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        }
    }

    const Account* Selected() const {
        const LRESULT i = SendDlgItemMessageA(hwnd(), kListId, LB_GETCURSEL, 0, 0);
        if (i < 0 || static_cast<std::size_t>(i) >= store_.accounts().size())
            return nullptr;
        return &store_.accounts()[static_cast<std::size_t>(i)];
    }

    void OnSelect() {
        const Account* a = Selected();
        if (!a)
            return;
        SetWindowTextA(name_, a->name.c_str());
        for (std::size_t i = 0; i < std::size(kRoles); ++i)
            if (kRoles[i] == a->role)
                SendDlgItemMessageA(hwnd(), kRoleId, CB_SETCURSEL, i, 0);
        ClearText(hwnd(), kNewPasswordId);
        ClearText(hwnd(), kNewRepeatId);
    }

    void OnCommand(WORD id) {
        switch (id) {
        case kAddId:
            OnAdd();
            break;
        case kChangeId:
            OnChange();
            break;
        case kRemoveId:
            OnRemove();
            break;
        case kAccountsKeyboardId: {
            RECT r{};
            GetWindowRect(hwnd(), &r);
            ShowScreenKeyboard(&r);
            SetFocus(lastEdit_ ? lastEdit_ : name_);
            break;
        }
        case IDCANCEL:
            done_ = true;
            break;
        default:
            break;
        }
    }

    // The typed role, or false after telling the operator.
    bool ChosenRole(Role& role) {
        const LRESULT i = SendDlgItemMessageA(hwnd(), kRoleId, CB_GETCURSEL, 0, 0);
        if (i < 0 || static_cast<std::size_t>(i) >= std::size(kRoles)) {
            Warn(hwnd(), ChooseRole());
            return false;
        }
        role = kRoles[i];
        return true;
    }

    // The typed new password (may be empty when allowed), or false after
    // telling the operator.
    bool NewPassword(std::string& password, bool mayBeEmpty) {
        password = TextOf(hwnd(), kNewPasswordId);
        std::string repeat = TextOf(hwnd(), kNewRepeatId);
        const bool same = repeat == password;
        Wipe(repeat);
        if (password.empty() && mayBeEmpty && same)
            return true;
        std::string problem = PasswordProblem(password);
        if (problem.empty() && !same)
            problem = PasswordsDiffer();
        if (problem.empty())
            return true;
        Wipe(password);
        Warn(hwnd(), "密碼不正確。\n" + problem);
        return false;
    }

    bool NameTyped(std::string& name) {
        name = Trimmed(TextOf(hwnd(), kNameId));
        if (const std::string p = NameProblem(name); !p.empty()) {
            Warn(hwnd(), "使用者名稱不正確。\n" + p);
            SetFocus(name_);
            return false;
        }
        return true;
    }

    void Done(Status s, const std::string& what) {
        ClearText(hwnd(), kNewPasswordId);
        ClearText(hwnd(), kNewRepeatId);
        if (s != Status::Ok) {
            Warn(hwnd(), Explain(s, store_.path()));
            return;
        }
        Fill();
        SetDlgItemTextA(hwnd(), kAccountsStatusId, what.c_str());
    }

    void OnAdd() {
        std::string name, password;
        Role role{};
        if (!NameTyped(name) || !ChosenRole(role) || !NewPassword(password, false))
            return;
        const Status s = store_.Add(name, role, password);
        Wipe(password);
        Done(s, "Added \"" + name + "\" (" + RoleName(role) + ").");
    }

    void OnChange() {
        const Account* a = Selected();
        if (!a) {
            Warn(hwnd(), ChooseAccount());
            return;
        }
        const std::string old = a->name;
        std::string name, password;
        Role role{};
        if (!NameTyped(name) || !ChosenRole(role) || !NewPassword(password, true))
            return;
        const Status s = store_.Change(old, name, role, password);
        Wipe(password);
        Done(s, "Changed \"" + old + "\" to \"" + name + "\" (" + RoleName(role) + ").");
    }

    void OnRemove() {
        const Account* a = Selected();
        if (!a) {
            Warn(hwnd(), ChooseAccount());
            return;
        }
        const std::string name = a->name;
        if (MessageBoxA(hwnd(), ConfirmRemove(name).c_str(), kMessageCaption,
                        MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
            return;
        Done(store_.Remove(name), "Removed \"" + name + "\".");
    }

    AccountStore& store_;
    HWND name_ = nullptr;
    HWND lastEdit_ = nullptr;
    bool done_ = false;
};

} // namespace

void RunAccountsForm(HWND owner, AccountStore& store) {
    AccountsWindow w(owner, store);
    w.Run();
}

} // namespace login
