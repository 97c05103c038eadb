#include "libs/login/login_form.h"

#include "libs/login/accounts_form.h"
#include "libs/login/form_parts.h"
#include "libs/login/messages.h"
#include "libs/login/screen_keyboard.h"
#include "ui/kit/window.h"

namespace login {
namespace {

constexpr const char* kFirstNote = "尚無帳號：請建立第一個維修帳號。\n"
                                   "No accounts yet: set up the first maintenance account.";
constexpr const char* kLoginNote = "請輸入使用者名稱與密碼。\nEnter your user name and password.";
constexpr const char* kUserText = "使用者 User";
constexpr const char* kPasswordText = "密碼 Password";
constexpr const char* kRepeatText = "再次輸入 Repeat";
constexpr const char* kOkText = "確定 OK";
constexpr const char* kCancelText = "取消 Cancel";
constexpr const char* kLogoutText = "登出 Log out";
constexpr const char* kKeyboardText = "鍵盤 Keyboard";
constexpr const char* kAccountsText = "帳號 Accounts...";

constexpr int kWidth = 390;
constexpr int kLabelX = 16, kLabelW = 110, kEditX = 130, kEditW = 240;
constexpr int kRowH = 24, kRowStep = 34;
constexpr int kButtonW = 114, kButtonH = 30, kButtonStep = 124;
constexpr int kTypedLimit = 256; // beyond any name or password, so too long is told

class LoginWindow : public kit::Window {
  public:
    LoginWindow(const std::string& caption, AccountStore& store)
        : store_(store), first_(store.Empty()) {
        const int fields = first_ ? 3 : 2;
        const int fieldsTop = 62;
        const int buttonsTop = fieldsTop + fields * kRowStep + 10;
        const int height = buttonsTop + 2 * (kButtonH + 10) + 6;
        RECT r{0, 0, kWidth, height};
        const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
        const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
        Style s{kLoginFormClass};
        s.caption = caption.c_str();
        s.style = style;
        s.exStyle = exStyle;
        s.width = r.right - r.left;
        s.height = r.bottom - r.top;
        s.x = (GetSystemMetrics(SM_CXSCREEN) - s.width) / 2;
        s.y = (GetSystemMetrics(SM_CYSCREEN) - s.height) / 3;
        s.owner = GetActiveWindow();
        if (!Create(s))
            return;
        MakeControl(hwnd(), "STATIC", first_ ? kFirstNote : kLoginNote, SS_LEFT, kLabelX, 12,
                    kWidth - 2 * kLabelX, 40, kNoteId);
        int y = fieldsTop;
        user_ = Field(kUserText, kUserId, y, 0);
        Field(kPasswordText, kPasswordId, y += kRowStep, ES_PASSWORD);
        if (first_)
            Field(kRepeatText, kRepeatId, y += kRowStep, ES_PASSWORD);
        lastEdit_ = user_;
        int x = kLabelX;
        MakeControl(hwnd(), "BUTTON", kOkText, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, x,
                    buttonsTop, kButtonW, kButtonH, IDOK);
        MakeControl(hwnd(), "BUTTON", kCancelText, BS_PUSHBUTTON | WS_TABSTOP, x += kButtonStep,
                    buttonsTop, kButtonW, kButtonH, IDCANCEL);
        MakeControl(hwnd(), "BUTTON", kLogoutText, BS_PUSHBUTTON | WS_TABSTOP, x += kButtonStep,
                    buttonsTop, kButtonW, kButtonH, kLogoutId);
        const int second = buttonsTop + kButtonH + 10;
        MakeControl(hwnd(), "BUTTON", kKeyboardText, BS_PUSHBUTTON | WS_TABSTOP, kLabelX, second,
                    kButtonW, kButtonH, kKeyboardId);
        if (!first_)
            MakeControl(hwnd(), "BUTTON", kAccountsText, BS_PUSHBUTTON | WS_TABSTOP,
                        kLabelX + kButtonStep, second, kButtonW, kButtonH, kAccountsId);
    }

    LoginResult Run() {
        if (!hwnd())
            return {};
        HWND owner = GetWindow(hwnd(), GW_OWNER);
        const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
        if (ownerWasEnabled)
            EnableWindow(owner, FALSE);
        const bool keyboardWasShown = ScreenKeyboardShown();
        ShowWindow(hwnd(), SW_SHOW);
        SetForegroundWindow(hwnd());
        SetFocus(user_);
        kit::RunModalLoop([this] { return done_; }, hwnd());
        if (!keyboardWasShown)
            HideScreenKeyboard();
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
            if (HIWORD(wp) == EN_SETFOCUS) {
                lastEdit_ = reinterpret_cast<HWND>(lp);
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
    HWND Field(const char* label, int id, int y, DWORD style) {
        MakeControl(hwnd(), "STATIC", label, SS_LEFT, kLabelX, y + 4, kLabelW, kRowH - 4, 0);
        HWND e = MakeControl(hwnd(), "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | style, kEditX, y,
                             kEditW, kRowH, id, WS_EX_CLIENTEDGE);
        SendMessageA(e, EM_LIMITTEXT, kTypedLimit, 0);
        return e;
    }

    void OnCommand(WORD id) {
        switch (id) {
        case IDOK:
            if (first_)
                OnFirstAccount();
            else
                OnLogin();
            break;
        case IDCANCEL:
            done_ = true;
            break;
        case kLogoutId:
            result_.kind = LoginResult::LoggedOut;
            done_ = true;
            break;
        case kKeyboardId: {
            RECT r{};
            GetWindowRect(hwnd(), &r);
            ShowScreenKeyboard(&r);
            SetFocus(lastEdit_ ? lastEdit_ : user_);
            break;
        }
        case kAccountsId:
            OnAccounts();
            break;
        default:
            break;
        }
    }

    // The typed name and password when both are acceptable; otherwise the
    // operator is told why and false returned.
    bool Typed(std::string& name, std::string& password) {
        name = Trimmed(TextOf(hwnd(), kUserId));
        password = TextOf(hwnd(), kPasswordId);
        if (const std::string p = NameProblem(name); !p.empty()) {
            Warn(hwnd(), "使用者名稱不正確。\n" + p);
            SetFocus(user_);
            return false;
        }
        if (const std::string p = PasswordProblem(password); !p.empty()) {
            Wipe(password);
            Warn(hwnd(), "密碼不正確。\n" + p);
            FocusPassword();
            return false;
        }
        return true;
    }

    void FocusPassword() {
        ClearText(hwnd(), kPasswordId);
        SetFocus(GetDlgItem(hwnd(), kPasswordId));
    }

    // Checks the typed login; true with the verdict when it is accepted.
    bool Check(std::string& name, Verdict& v) {
        std::string password;
        if (!Typed(name, password))
            return false;
        v = store_.LogIn(name, password);
        Wipe(password);
        switch (v.status) {
        case Status::Ok:
            return true;
        case Status::WrongPassword:
            Warn(hwnd(), WrongLogin(v.attemptsLeft));
            break;
        case Status::Locked:
            Warn(hwnd(), LockedLogin(name, v.lockSecondsLeft));
            break;
        default:
            Warn(hwnd(), Explain(v.status, store_.path()));
            break;
        }
        FocusPassword();
        return false;
    }

    void OnLogin() {
        std::string name;
        Verdict v;
        if (!Check(name, v))
            return;
        result_ = {LoginResult::LoggedIn, name, v.role};
        done_ = true;
    }

    void OnAccounts() {
        std::string name;
        Verdict v;
        if (!Check(name, v))
            return;
        if (v.role != Role::Maintenance) {
            Warn(hwnd(), MaintenanceOnly());
            FocusPassword();
            return;
        }
        RunAccountsForm(hwnd(), store_);
        // Managing the accounts logs nobody in: the form stays for a login.
        FocusPassword();
    }

    void OnFirstAccount() {
        std::string name, password;
        if (!Typed(name, password))
            return;
        std::string repeat = TextOf(hwnd(), kRepeatId);
        const bool same = repeat == password;
        Wipe(repeat);
        if (!same) {
            Wipe(password);
            Warn(hwnd(), PasswordsDiffer());
            ClearText(hwnd(), kRepeatId);
            FocusPassword();
            return;
        }
        const Status s = store_.CreateFirst(name, password);
        Wipe(password);
        if (s != Status::Ok) {
            Warn(hwnd(), Explain(s, store_.path()));
            return;
        }
        result_ = {LoginResult::LoggedIn, name, Role::Maintenance};
        done_ = true;
    }

    AccountStore& store_;
    const bool first_;
    HWND user_ = nullptr;
    HWND lastEdit_ = nullptr;
    bool done_ = false;
    LoginResult result_;
};

} // namespace

LoginResult RunLoginForm(const std::string& caption, AccountStore& store) {
    LoginWindow w(caption, store);
    return w.Run();
}

void ReportUnusableAccounts(const AccountStore& store) {
    MessageBoxA(GetActiveWindow(), UnusableAccountsFile(store.path(), store.problem()).c_str(),
                kMessageCaption, MB_OK | MB_ICONERROR);
}

} // namespace login
