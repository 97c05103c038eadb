#include "ui/kit/form.h"

#include "common/guarded_entry.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace kit {
namespace {

std::unique_ptr<Control> MakeControl(Form& form, const Component& c, Control* parent) {
    switch (c.kind) {
    case Kind::FlatButton:
        return std::make_unique<FlatButton>(form, c, parent);
    case Kind::Image:
        return std::make_unique<ImageView>(form, c, parent);
    case Kind::ListView:
        return std::make_unique<ListView>(form, c, parent);
    case Kind::ToolBar:
        return std::make_unique<ToolBar>(form, c, parent);
    case Kind::CoolBar:
        return std::make_unique<CoolBar>(form, c, parent);
    case Kind::StatusBar:
        return std::make_unique<StatusBar>(form, c, parent);
    case Kind::Edit:
        return std::make_unique<Edit>(form, c, parent);
    default:
        return std::make_unique<Control>(form, c, parent);
    }
}

Control* ChildControl(HWND h) {
    return h ? static_cast<Control*>(GetPropA(h, "KitControl")) : nullptr;
}

} // namespace

void AlignChildren(const std::vector<Control*>& children, RECT area) {
    for (Align pass : {Align::Top, Align::Bottom, Align::Left, Align::Right, Align::Client}) {
        for (Control* c : children) {
            if (c->align() != pass || !c->Visible())
                continue;
            const int w = area.right - area.left, h = area.bottom - area.top;
            switch (pass) {
            case Align::Top: {
                const int ch = c->Height();
                c->SetBounds(area.left, area.top, w, ch);
                area.top += ch;
                break;
            }
            case Align::Bottom: {
                const int ch = c->Height();
                c->SetBounds(area.left, area.bottom - ch, w, ch);
                area.bottom -= ch;
                break;
            }
            case Align::Left: {
                const int cw = c->Width();
                c->SetBounds(area.left, area.top, cw, h);
                area.left += cw;
                break;
            }
            case Align::Right: {
                const int cw = c->Width();
                c->SetBounds(area.right - cw, area.top, cw, h);
                area.right -= cw;
                break;
            }
            case Align::Client:
                c->SetBounds(area.left, area.top, w, h);
                break;
            case Align::None:
                break;
            }
        }
    }
}

bool RouteToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    switch (msg) {
    case WM_COMMAND:
        if (Control* c = ChildControl(reinterpret_cast<HWND>(lp))) {
            c->OnCommand(HIWORD(wp), LOWORD(wp));
            *result = 0;
            return true;
        }
        return false;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (Control* c = ChildControl(header->hwndFrom)) {
            *result = c->OnNotify(header);
            return true;
        }
        return false;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        if (Control* c = ChildControl(reinterpret_cast<HWND>(lp))) {
            *result = reinterpret_cast<LRESULT>(c->OnControlColour(reinterpret_cast<HDC>(wp)));
            return true;
        }
        return false;
    default:
        return false;
    }
}

Form::~Form() {
    // Children before the form; the last created goes first.
    while (!controls_.empty())
        controls_.pop_back();
    if (tooltips_)
        DestroyWindow(tooltips_);
    Destroy();
}

HFONT Form::FontFor(const FontStyle& f) {
    char key[160];
    std::snprintf(key, sizeof key, "%s|%d|%d|%u", f.face ? f.face : "", f.height, f.bold ? 1 : 0,
                  static_cast<unsigned>(f.charset));
    auto it = fonts_.find(key);
    if (it != fonts_.end())
        return it->second.get();
    HFONT h = CreateFontA(f.height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                          f.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, f.face ? f.face : "");
    return fonts_.emplace(key, Font(h)).first->second.get();
}

void Form::Build(const Component* rows, std::size_t n) {
    if (!tooltips_)
        tooltips_ =
            CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                            WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr, ThisModule(), nullptr);
    for (std::size_t i = 0; i < n; ++i) {
        const Component& c = rows[i];
        // A parent that the rows before do not hold is a fault of the table,
        // never the form itself.
        Control* parent = c.parent ? &Bind(c.parent) : nullptr;
        std::unique_ptr<Control> control = MakeControl(*this, c, parent);
        switch (c.kind) {
        case Kind::Panel:
            control->CreateOwn("TPanel", WS_CLIPCHILDREN);
            break;
        case Kind::Label:
            control->CreateOwn("TLabel", 0);
            break;
        case Kind::StaticText:
            control->CreateOwn("TStaticText", 0);
            break;
        case Kind::FlatButton:
            control->CreateOwn("TSpeedButton", 0);
            break;
        case Kind::Splitter:
            control->CreateOwn("TSplitter", 0);
            break;
        case Kind::PaintBox:
            control->CreateOwn("TPaintBox", 0);
            break;
        case Kind::Image:
            control->CreateOwn("TImage", 0);
            break;
        case Kind::Button:
            control->CreateSystem("BUTTON", WS_TABSTOP | BS_PUSHBUTTON);
            break;
        case Kind::CheckBox:
            control->CreateSystem("BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX);
            break;
        case Kind::Edit:
            control->CreateSystem("EDIT", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL);
            static_cast<Edit*>(control.get())->Subclass();
            break;
        case Kind::ListView:
            control->CreateSystem(WC_LISTVIEWA, WS_TABSTOP | WS_BORDER | LVS_REPORT |
                                                    LVS_SHOWSELALWAYS | LVS_SINGLESEL);
            SendMessageA(control->hwnd(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                         LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
            break;
        case Kind::CoolBar:
            control->CreateSystem(REBARCLASSNAMEA, WS_CLIPCHILDREN | RBS_VARHEIGHT | CCS_NODIVIDER |
                                                       CCS_NOPARENTALIGN | CCS_NORESIZE);
            break;
        case Kind::ToolBar:
            control->CreateSystem(TOOLBARCLASSNAMEA, TBSTYLE_FLAT | TBSTYLE_LIST |
                                                         TBSTYLE_TOOLTIPS | CCS_NORESIZE |
                                                         CCS_NODIVIDER | CCS_NOPARENTALIGN);
            if (parent && parent->kind() == Kind::CoolBar)
                static_cast<CoolBar*>(parent)->SetBand(*control, c.height);
            break;
        case Kind::StatusBar:
            control->CreateSystem(STATUSCLASSNAMEA, CCS_NOPARENTALIGN | CCS_NORESIZE);
            break;
        }
        if (!parent)
            top_.push_back(control.get());
        byName_[c.name] = control.get();
        controls_.push_back(std::move(control));
    }
    Stack();
    Realign();
}

bool IsGraphic(Kind k) {
    return k == Kind::PaintBox || k == Kind::Image || k == Kind::FlatButton || k == Kind::Label;
}

void Form::Stack() {
    // As a form designer stacks them: graphic components (paint boxes,
    // images, flat buttons, labels) below the windowed ones of the same
    // parent, and within each group a later component above an earlier one.
    for (bool graphic : {true, false})
        for (auto& c : controls_)
            if (IsGraphic(c->kind()) == graphic)
                SetWindowPos(c->hwnd(), HWND_TOP, 0, 0, 0, 0,
                             SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

Control* Form::Find(std::string_view name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

void Form::NoComponent(std::string_view name) {
    throw std::logic_error("the form has no component " + std::string(name) + " of that kind");
}

void Form::RealignTop() {
    RECT r;
    GetClientRect(hwnd(), &r);
    AlignChildren(top_, r);
}

void Form::Realign() {
    RealignTop();
    for (auto& c : controls_)
        c->Realign();
}

LRESULT Form::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT routed = 0;
    if (msg == WM_COMMAND && lp == 0) {
        OnMenuCommand(LOWORD(wp));
        return 0;
    }
    if (RouteToChild(msg, wp, lp, &routed))
        return routed;
    switch (msg) {
    case WM_NOTIFY: {
        // Tool tips of the tool bar's buttons name the button, not the bar.
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (header->code == TTN_GETDISPINFOA)
            for (auto& c : controls_)
                if (c->kind() == Kind::ToolBar && c->OnNotify(header))
                    return 0;
        break;
    }
    case WM_SIZE:
        RealignTop();
        return 0;
    default:
        break;
    }
    return Window::OnMessage(msg, wp, lp);
}

// ----------------------------------------------------------------- ModalForm

namespace {
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_CLIPCHILDREN;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

struct ThreadWindows {
    HWND except;
    std::vector<HWND> found;
};

// Called by the system: a failure ends the enumeration and is logged.
BOOL CALLBACK CollectEnabled(HWND h, LPARAM lp) {
    return common::Guarded("window enumeration", FALSE, [&] {
        auto* w = reinterpret_cast<ThreadWindows*>(lp);
        if (h != w->except && IsWindowVisible(h) && IsWindowEnabled(h))
            w->found.push_back(h);
        return TRUE;
    });
}
} // namespace

bool ModalForm::CreateDialogForm(const char* className, const char* caption, int clientWidth,
                                 int clientHeight) {
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, kDialogStyle, FALSE, kDialogExStyle);
    Style s{className};
    s.caption = caption;
    s.style = kDialogStyle;
    s.exStyle = kDialogExStyle;
    s.x = 0;
    s.y = 0;
    s.width = r.right - r.left;
    s.height = r.bottom - r.top;
    return Create(s);
}

void ModalForm::SetModalResult(int result) {
    modalResult_ = result;
    // The loop may be waiting for a posted message: wake it.
    if (hwnd())
        PostMessageA(hwnd(), WM_NULL, 0, 0);
}

void ModalForm::SetDefaultButton(const char* name, int result) {
    default_ = &Bind(name);
    SendMessageA(default_->hwnd(), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    default_->onClick = [this, result](Control&) {
        ModalButtonClick(result);
        SetModalResult(result);
    };
}

void ModalForm::SetCancelButton(const char* name, int result) {
    cancel_ = &Bind(name);
    cancel_->onClick = [this, result](Control&) {
        ModalButtonClick(result);
        SetModalResult(result);
    };
}

void ModalForm::SetTabOrder(std::initializer_list<const char*> names) {
    HWND after = HWND_TOP;
    for (const char* name : names) {
        HWND h = Bind(name).hwnd();
        SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = h;
        if (!firstFocus_)
            firstFocus_ = h;
    }
}

void ModalForm::Press(Control* button) {
    if (button && IsWindowEnabled(button->hwnd()))
        SendMessageA(button->hwnd(), BM_CLICK, 0, 0);
}

bool ModalForm::HandleDialogKey(const MSG& m) {
    if (m.message != WM_KEYDOWN || (m.hwnd != hwnd() && !IsChild(hwnd(), m.hwnd)))
        return false;
    if (m.wParam == VK_RETURN) {
        // A focused push button takes Enter itself; elsewhere the default.
        HWND focus = GetFocus();
        Control* pressed = default_;
        if (focus && IsChild(hwnd(), focus)) {
            const LRESULT code = SendMessageA(focus, WM_GETDLGCODE, 0, 0);
            if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
                SendMessageA(focus, BM_CLICK, 0, 0);
                return true;
            }
        }
        Press(pressed);
        return true;
    }
    if (m.wParam == VK_ESCAPE) {
        if (cancel_)
            Press(cancel_);
        else
            SetModalResult(kCancel);
        return true;
    }
    return false;
}

int ModalForm::ShowModal() {
    modalResult_ = kNone;
    ThreadWindows others{hwnd(), {}};
    EnumThreadWindows(GetCurrentThreadId(), &CollectEnabled, reinterpret_cast<LPARAM>(&others));
    for (HWND h : others.found)
        EnableWindow(h, FALSE);
    RECT r;
    GetWindowRect(hwnd(), &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(hwnd(), HWND_TOP, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0, SWP_NOSIZE);
    FormShow();
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    SetActiveWindow(hwnd());
    if (firstFocus_)
        SetFocus(firstFocus_);
    lastFocus_ = firstFocus_;

    bool quit = false;
    int quitCode = 0;
    MSG m;
    while (IsWindow(hwnd())) {
        if (modalResult_ != kNone) {
            CloseQuery();
            break;
        }
        const BOOL got = GetMessageA(&m, nullptr, 0, 0);
        if (got == 0) {
            quit = true;
            quitCode = static_cast<int>(m.wParam);
            modalResult_ = kCancel;
            CloseQuery();
            break;
        }
        if (got < 0)
            break;
        if (HandleDialogKey(m))
            continue;
        if (IsDialogMessageA(hwnd(), &m))
            continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    // The others first, so that activation goes back to them.
    for (HWND other : others.found)
        if (IsWindow(other))
            EnableWindow(other, TRUE);
    if (hwnd())
        ShowWindow(hwnd(), SW_HIDE);
    if (quit)
        PostQuitMessage(quitCode);
    return modalResult_ == kNone ? kCancel : modalResult_;
}

LRESULT ModalForm::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CLOSE:
        // The close box: closed with Cancel.
        SetModalResult(kCancel);
        return 0;
    case DM_GETDEFID:
        if (default_)
            return MAKELRESULT(GetDlgCtrlID(default_->hwnd()), DC_HASDEFID);
        return 0;
    case WM_ACTIVATE:
        // The focus returns where it was when the form is active again.
        if (LOWORD(wp) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd(), focus))
                lastFocus_ = focus;
        } else if (lastFocus_ && IsWindow(lastFocus_)) {
            SetFocus(lastFocus_);
            return 0;
        }
        break;
    default:
        break;
    }
    return Form::OnMessage(msg, wp, lp);
}

} // namespace kit
