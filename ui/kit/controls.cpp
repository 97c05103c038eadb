#include "ui/kit/controls.h"

#include "ui/kit/form.h"

#include <commctrl.h>

#include <exception>

namespace kit {
namespace {

constexpr const char* kNameProperty = "KitName";
constexpr const char* kControlProperty = "KitControl";

void DrawBevel(HDC dc, RECT& r, Bevel b) {
    if (b == Bevel::None)
        return;
    DrawEdge(dc, &r, b == Bevel::Raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
}

UINT TextFormat(TextAlign a) {
    switch (a) {
    case TextAlign::Left:
        return DT_LEFT;
    case TextAlign::Right:
        return DT_RIGHT;
    default:
        return DT_CENTER;
    }
}

} // namespace

std::string ComponentName(HWND h) {
    const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(h, kNameProperty)));
    if (!atom)
        return {};
    char name[256] = {};
    const UINT n = GetAtomNameA(atom, name, sizeof name);
    return std::string(name, n);
}

Control::Control(Form& form, const Component& c, Control* parent)
    : desc_(c), form_(form), parent_(parent), name_(c.name), kind_(c.kind), align_(c.align),
      tag_(c.tag), colour_(c.colour), font_(form.FontFor(c.font)), fontColour_(c.font.colour),
      bevelOuter_(c.bevelOuter), caption_(c.caption ? c.caption : ""), hint_(c.hint ? c.hint : "") {
    if (parent_)
        parent_->children_.push_back(this);
}

Control::~Control() {
    if (HWND h = hwnd()) {
        if (HANDLE atom = RemovePropA(h, kNameProperty))
            DeleteAtom(static_cast<ATOM>(reinterpret_cast<UINT_PTR>(atom)));
        RemovePropA(h, kControlProperty);
    }
    Destroy();
}

HWND Control::ParentHwnd() const {
    return parent_ ? parent_->hwnd() : form_.hwnd();
}

void Control::CreateOwn(const char* className, DWORD style, DWORD exStyle) {
    own_ = true;
    Style s{className};
    s.caption = caption_.c_str();
    s.style = style | WS_CHILD | WS_CLIPSIBLINGS | (desc_.visible ? WS_VISIBLE : 0) |
              (desc_.enabled ? 0 : WS_DISABLED);
    s.exStyle = exStyle;
    s.x = desc_.left;
    s.y = desc_.top;
    s.width = desc_.width;
    s.height = desc_.height;
    s.owner = ParentHwnd();
    s.background = reinterpret_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    Create(s);
    Link();
}

void Control::CreateSystem(const char* className, DWORD style, DWORD exStyle) {
    static int nextId = 3000;
    HWND h = CreateWindowExA(exStyle, className, caption_.c_str(),
                             style | WS_CHILD | WS_CLIPSIBLINGS | (desc_.visible ? WS_VISIBLE : 0) |
                                 (desc_.enabled ? 0 : WS_DISABLED),
                             desc_.left, desc_.top, desc_.width, desc_.height, ParentHwnd(),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)), ThisModule(),
                             nullptr);
    Attach(h);
    Link();
}

void Control::Attach(HWND h) {
    Adopt(h);
}

void Control::Link() {
    HWND h = hwnd();
    if (!h)
        return;
    SetPropA(h, kNameProperty,
             reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(AddAtomA(name_.c_str()))));
    SetPropA(h, kControlProperty, this);
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    AddTool();
}

void Control::AddTool() {
    HWND tips = form_.tooltips();
    if (!tips || !desc_.hint)
        return;
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = form_.hwnd();
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd());
    std::string text = Hint();
    ti.lpszText = text.data();
    SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

RECT Control::Bounds() const {
    RECT r{};
    if (!hwnd())
        return r;
    GetWindowRect(hwnd(), &r);
    MapWindowPoints(HWND_DESKTOP, ParentHwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int Control::Width() const {
    const RECT r = Bounds();
    return r.right - r.left;
}

int Control::Height() const {
    const RECT r = Bounds();
    return r.bottom - r.top;
}

void Control::SetBounds(int left, int top, int width, int height) {
    if (!hwnd())
        return;
    SetWindowPos(hwnd(), nullptr, left, top, width < 0 ? 0 : width, height < 0 ? 0 : height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (align_ == Align::None && parent_ == nullptr)
        return;
}

void Control::SetLeft(int v) {
    const RECT r = Bounds();
    SetBounds(v, r.top, r.right - r.left, r.bottom - r.top);
}
void Control::SetTop(int v) {
    const RECT r = Bounds();
    SetBounds(r.left, v, r.right - r.left, r.bottom - r.top);
}
void Control::SetWidth(int v) {
    const RECT r = Bounds();
    SetBounds(r.left, r.top, v, r.bottom - r.top);
    if (align_ != Align::None)
        parent_ ? parent_->Realign() : form_.Realign();
}
void Control::SetHeight(int v) {
    const RECT r = Bounds();
    SetBounds(r.left, r.top, r.right - r.left, v);
    if (align_ != Align::None)
        parent_ ? parent_->Realign() : form_.Realign();
}

bool Control::Visible() const {
    return hwnd() && (GetWindowLongA(hwnd(), GWL_STYLE) & WS_VISIBLE) != 0;
}

void Control::SetVisible(bool visible) {
    if (!hwnd() || Visible() == visible)
        return;
    ShowWindow(hwnd(), visible ? SW_SHOWNA : SW_HIDE);
    if (align_ != Align::None)
        parent_ ? parent_->Realign() : form_.Realign();
}

void Control::SetEnabled(bool enabled) {
    if (hwnd())
        EnableWindow(hwnd(), enabled ? TRUE : FALSE);
}

void Control::SetParent(Control& parent) {
    if (parent_ == &parent)
        return;
    if (parent_)
        std::erase(parent_->children_, this);
    parent_ = &parent;
    parent_->children_.push_back(this);
    ::SetParent(hwnd(), parent.hwnd());
}

void Control::SetCaption(const std::string& text) {
    {
        std::lock_guard<std::mutex> g(textLock_);
        if (caption_ == text)
            return;
        caption_ = text;
    }
    if (!hwnd())
        return;
    if (own_)
        InvalidateRect(hwnd(), nullptr, FALSE);
    else
        SetWindowTextA(hwnd(), text.c_str());
}

std::string Control::Caption() const {
    std::lock_guard<std::mutex> g(textLock_);
    return caption_;
}

void Control::SetHint(const std::string& text) {
    {
        std::lock_guard<std::mutex> g(textLock_);
        hint_ = text;
    }
    HWND tips = form_.tooltips();
    if (!tips || !hwnd())
        return;
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = form_.hwnd();
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd());
    std::string copy = text;
    ti.lpszText = copy.data();
    SendMessageA(tips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
}

std::string Control::Hint() const {
    std::lock_guard<std::mutex> g(textLock_);
    return hint_;
}

COLORREF Control::Colour() const {
    if (colour_ != kDefaultColour)
        return colour_;
    switch (kind_) {
    case Kind::Panel:
    case Kind::Button:
    case Kind::Splitter:
        return GetSysColor(COLOR_BTNFACE);
    case Kind::Edit:
    case Kind::ListView:
        return GetSysColor(COLOR_WINDOW);
    default:
        return parent_ ? parent_->Colour() : form_.colour();
    }
}

void Control::SetColour(COLORREF c) {
    colour_ = c;
    brush_.reset();
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, FALSE);
}

void Control::SetBevelOuter(Bevel b) {
    bevelOuter_ = b;
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, FALSE);
}

void Control::Realign() {
    if (!hwnd() || children_.empty())
        return;
    RECT r;
    GetClientRect(hwnd(), &r);
    if (kind_ == Kind::Panel) {
        // Aligned children stay inside the bevels.
        const int border = (bevelOuter_ != Bevel::None) + (desc_.bevelInner != Bevel::None);
        InflateRect(&r, -border, -border);
    }
    AlignChildren(children_, r);
}

void Control::OnCommand(WORD code, WORD) {
    if (code == BN_CLICKED && onClick) {
        auto handler = onClick;
        handler(*this);
    }
}

LRESULT Control::OnNotify(NMHDR*) {
    return 0;
}

HBRUSH Control::OnControlColour(HDC dc) {
    const COLORREF c = Colour();
    if (!brush_)
        brush_.reset(CreateSolidBrush(c));
    SetTextColor(dc, fontColour_);
    SetBkColor(dc, c);
    return brush_.get();
}

void Control::ClickIfInside(LPARAM lp) {
    RECT r;
    GetClientRect(hwnd(), &r);
    const POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    if (PtInRect(&r, p) && onClick) {
        auto handler = onClick; // the handler may replace onClick
        handler(*this);
    }
}

void Control::PaintParentBackground(HDC dc, const RECT& client) {
    // A flat component shows what lies under it: its parent's colour and
    // the paint boxes below it.
    Brush fill(CreateSolidBrush(Colour()));
    FillRect(dc, &client, fill.get());
    if (!parent_)
        return;
    const RECT mine = Bounds();
    for (Control* sibling : parent_->children_) {
        if (sibling == this)
            break;
        if (sibling->kind_ != Kind::PaintBox || !sibling->onPaint || !sibling->Visible())
            continue;
        const RECT theirs = sibling->Bounds();
        RECT overlap;
        if (!IntersectRect(&overlap, &mine, &theirs))
            continue;
        SavedDc saved(dc);
        // The sibling paints in its own coordinates.
        SetViewportOrgEx(dc, theirs.left - mine.left, theirs.top - mine.top, nullptr);
        SetBrushOrgEx(dc, theirs.left - mine.left, theirs.top - mine.top, nullptr);
        RECT area{0, 0, theirs.right - theirs.left, theirs.bottom - theirs.top};
        sibling->onPaint(*sibling, dc, area);
    }
}

void Control::PaintCaption(HDC dc, RECT r, UINT format) {
    const std::string text = Caption();
    if (text.empty())
        return;
    Select f(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(hwnd()) ? fontColour_ : GetSysColor(COLOR_GRAYTEXT));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, format | DT_NOPREFIX);
}

void Control::Paint(HDC dc, const RECT& client) {
    RECT r = client;
    Brush fill(CreateSolidBrush(Colour()));
    FillRect(dc, &r, fill.get());
    switch (kind_) {
    case Kind::Panel:
        DrawBevel(dc, r, bevelOuter_);
        DrawBevel(dc, r, desc_.bevelInner);
        PaintCaption(dc, r, TextFormat(desc_.textAlign) | DT_VCENTER | DT_SINGLELINE);
        break;
    case Kind::Label:
        PaintCaption(dc, r, DT_LEFT | DT_TOP | DT_SINGLELINE);
        break;
    case Kind::StaticText:
        PaintCaption(dc, r, TextFormat(desc_.textAlign) | DT_TOP | DT_SINGLELINE);
        break;
    case Kind::PaintBox:
        if (onPaint)
            onPaint(*this, dc, client);
        break;
    default:
        break;
    }
}

LRESULT Control::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT routed = 0;
    if (RouteToChild(msg, wp, lp, &routed))
        return routed;
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintDc pdc(hwnd());
        RECT client;
        GetClientRect(hwnd(), &client);
        Paint(pdc.get(), client);
        return 0;
    }
    case WM_SIZE:
        Realign();
        return 0;
    case WM_PRINTCLIENT: {
        RECT client;
        GetClientRect(hwnd(), &client);
        Paint(reinterpret_cast<HDC>(wp), client);
        return 0;
    }
    case WM_SETTEXT: {
        const char* text = reinterpret_cast<const char*>(lp);
        SetCaption(text ? text : "");
        return TRUE;
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(Caption().size());
    case WM_GETFONT:
        // The font it paints its caption with, as a system control answers.
        return reinterpret_cast<LRESULT>(font_);
    case WM_GETTEXT: {
        const std::string text = Caption();
        const std::size_t room = static_cast<std::size_t>(wp);
        if (room == 0 || !lp)
            return 0;
        const std::size_t n = text.size() < room - 1 ? text.size() : room - 1;
        text.copy(reinterpret_cast<char*>(lp), n);
        reinterpret_cast<char*>(lp)[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_LBUTTONDOWN:
        if (kind_ == Kind::Splitter)
            return 0; // the splitters never move
        pressed_ = true;
        SetCapture(hwnd());
        return 0;
    case WM_LBUTTONUP: {
        if (!pressed_)
            return 0;
        pressed_ = false;
        ReleaseCapture();
        ClickIfInside(lp);
        return 0;
    }
    case WM_CAPTURECHANGED:
        pressed_ = false;
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDBLCLK:
        return 0;
    default:
        break;
    }
    return Window::OnMessage(msg, wp, lp);
}

// ---------------------------------------------------------------- FlatButton

FlatButton::FlatButton(Form& form, const Component& c, Control* parent) : Control(form, c, parent) {
    if (c.glyph)
        glyph_.reset(static_cast<HBITMAP>(LoadImageA(ThisModule(), MAKEINTRESOURCEA(c.glyph),
                                                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

void FlatButton::Paint(HDC dc, const RECT& client) {
    RECT r = client;
    PaintParentBackground(dc, client);
    if (desc_.raised) {
        RECT face = client;
        DrawFrameControl(dc, &face, DFC_BUTTON,
                         DFCS_BUTTONPUSH | (pressed_ && hover_ ? DFCS_PUSHED : 0));
    } else if (pressed_ && hover_)
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    else if (hover_ && IsWindowEnabled(hwnd()))
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
    const int shift = pressed_ && hover_ ? 1 : 0;
    OffsetRect(&r, shift, shift);

    BITMAP bm{};
    if (glyph_)
        GetObjectA(glyph_.get(), sizeof bm, &bm);
    SIZE text{};
    const std::string caption = Caption();
    {
        Select f(dc, Font());
        GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    }
    RECT textArea = r;
    if (glyph_) {
        int gx, gy;
        if (desc_.glyphAbove) {
            const int total = bm.bmHeight + (caption.empty() ? 0 : 4 + text.cy);
            gx = r.left + (r.right - r.left - bm.bmWidth) / 2;
            gy = r.top + (r.bottom - r.top - total) / 2;
            textArea.top = gy + bm.bmHeight + 4;
            textArea.bottom = textArea.top + text.cy;
        } else {
            const int total = bm.bmWidth + (caption.empty() ? 0 : 4 + text.cx);
            gx = r.left + (r.right - r.left - total) / 2;
            gy = r.top + (r.bottom - r.top - bm.bmHeight) / 2;
            textArea.left = gx + bm.bmWidth + 4;
            textArea.right = textArea.left + text.cx;
        }
        MemoryDc mem;
        Select s(mem.get(), glyph_.get());
        // The glyph's bottom-left pixel is its transparent colour.
        const COLORREF key = GetPixel(mem.get(), 0, bm.bmHeight - 1);
        GdiTransparentBlt(dc, gx, gy, bm.bmWidth, bm.bmHeight, mem.get(), 0, 0, bm.bmWidth,
                          bm.bmHeight, key);
    }
    PaintCaption(dc, textArea, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

LRESULT FlatButton::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_MOUSEMOVE:
        if (!hover_) {
            hover_ = true;
            TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd(), 0};
            TrackMouseEvent(&t);
            InvalidateRect(hwnd(), nullptr, FALSE);
        }
        return 0;
    case WM_MOUSELEAVE:
        hover_ = false;
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        pressed_ = hover_ = true;
        SetCapture(hwnd());
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP: {
        if (!pressed_)
            return 0;
        pressed_ = false;
        ReleaseCapture();
        InvalidateRect(hwnd(), nullptr, FALSE);
        ClickIfInside(lp);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (pressed_) {
            pressed_ = false;
            InvalidateRect(hwnd(), nullptr, FALSE);
        }
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        break;
    }
    return Control::OnMessage(msg, wp, lp);
}

// ---------------------------------------------------------------------- Edit

Edit::Edit(Form& form, const Component& c, Control* parent) : Control(form, c, parent) {}

Edit::~Edit() {
    if (hwnd() && original_)
        SetWindowLongPtrA(hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
}

void Edit::Subclass() {
    if (!hwnd() || original_)
        return;
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Edit::EditProcedure)));
}

std::string Edit::Text() const {
    const int n = GetWindowTextLengthA(hwnd());
    std::string text(static_cast<std::size_t>(n > 0 ? n : 0) + 1, '\0');
    const int got = GetWindowTextA(hwnd(), text.data(), n + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

void Edit::SetText(const std::string& text) {
    SetWindowTextA(hwnd(), text.c_str());
}

void Edit::SelectAll() {
    SendMessageA(hwnd(), EM_SETSEL, 0, -1);
}

void Edit::OnCommand(WORD code, WORD) {
    if (code == EN_CHANGE && onChange) {
        auto handler = onChange;
        handler(*this);
    }
}

LRESULT CALLBACK Edit::EditProcedure(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = static_cast<Edit*>(static_cast<Control*>(GetPropA(h, kControlProperty)));
    if (!self || !self->original_)
        return DefWindowProcA(h, msg, wp, lp);
    const WNDPROC original = self->original_;
    try {
        switch (msg) {
        case WM_CHAR:
            if (self->onKeyPress) {
                auto handler = self->onKeyPress;
                const char c = handler(*self, static_cast<char>(wp));
                if (c == 0)
                    return 0;
                wp = static_cast<unsigned char>(c);
            }
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const LRESULT r = CallWindowProcA(original, h, msg, wp, lp);
            if (self->onMouseUp) {
                auto handler = self->onMouseUp;
                handler(*self);
            }
            return r;
        }
        default:
            break;
        }
    } catch (const std::exception& e) {
        ReportHandlerFailure(msg, e.what());
        return 0;
    } catch (...) {
        ReportHandlerFailure(msg, "unknown exception");
        return 0;
    }
    return CallWindowProcA(original, h, msg, wp, lp);
}

// ----------------------------------------------------------------- ImageView

ImageView::ImageView(Form& form, const Component& c, Control* parent) : Control(form, c, parent) {}

void ImageView::SetCanvas(std::unique_ptr<Canvas> canvas) {
    canvas_ = std::move(canvas);
    if (hwnd())
        InvalidateRect(hwnd(), nullptr, FALSE);
}

void ImageView::Paint(HDC dc, const RECT& client) {
    if (!canvas_) {
        Brush fill(CreateSolidBrush(Colour()));
        FillRect(dc, &client, fill.get());
        return;
    }
    std::lock_guard<std::mutex> g(canvas_->lock());
    BitBlt(dc, 0, 0, canvas_->width(), canvas_->height(), canvas_->dc(), 0, 0, SRCCOPY);
}

// ------------------------------------------------------------------ ListView

ListView::ListView(Form& form, const Component& c, Control* parent) : Control(form, c, parent) {}

void ListView::AddColumn(const std::string& caption, int width) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    std::string text = caption;
    col.pszText = text.data();
    col.cx = width;
    col.iSubItem = columns_;
    SendMessageA(hwnd(), LVM_INSERTCOLUMNA, columns_, reinterpret_cast<LPARAM>(&col));
    ++columns_;
}

void ListView::SetColumnCaption(int column, const std::string& caption) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    std::string text = caption;
    col.pszText = text.data();
    SendMessageA(hwnd(), LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&col));
}

void ListView::InsertRow(int index, const std::vector<std::string>& texts) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    std::string first = texts.empty() ? std::string() : texts[0];
    item.pszText = first.data();
    const int at =
        static_cast<int>(SendMessageA(hwnd(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0)
        return;
    for (std::size_t i = 1; i < texts.size() && static_cast<int>(i) < columns_; ++i) {
        LVITEMA sub{};
        sub.iSubItem = static_cast<int>(i);
        std::string t = texts[i];
        sub.pszText = t.data();
        SendMessageA(hwnd(), LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&sub));
    }
}

void ListView::DeleteRow(int index) {
    SendMessageA(hwnd(), LVM_DELETEITEM, index, 0);
}

void ListView::Clear() {
    SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
}

int ListView::RowCount() const {
    return static_cast<int>(SendMessageA(hwnd(), LVM_GETITEMCOUNT, 0, 0));
}

std::string ListView::Text(int row, int column) const {
    char buf[256] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    const auto n = SendMessageA(hwnd(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return std::string(buf, static_cast<std::size_t>(n > 0 ? n : 0));
}

void ListView::SetTextColour(COLORREF c) {
    SendMessageA(hwnd(), LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(c));
}

// ------------------------------------------------------------------- ToolBar

ToolBar::ToolBar(Form& form, const Component& c, Control* parent) : Control(form, c, parent) {}

void ToolBar::AddButtons(const ToolButtonRow* rows, std::size_t n) {
    SendMessageA(hwnd(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(hwnd(), TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    buttons_.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        Button b{rows[i], rows[i].caption ? rows[i].caption : "", rows[i].hint ? rows[i].hint : "",
                 42000 + static_cast<int>(i)};
        buttons_.push_back(b);
    }
    for (Button& b : buttons_) {
        TBBUTTON tb{};
        tb.idCommand = b.id;
        tb.fsState = static_cast<BYTE>(TBSTATE_ENABLED | (b.row.visible ? 0 : TBSTATE_HIDDEN));
        tb.dwData = static_cast<DWORD_PTR>(b.row.tag);
        if (b.row.separator) {
            tb.fsStyle = BTNS_SEP;
            tb.iBitmap = b.row.separatorWidth;
        } else {
            tb.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
            tb.iBitmap = I_IMAGENONE;
            tb.iString = reinterpret_cast<INT_PTR>(b.caption.c_str());
        }
        SendMessageA(hwnd(), TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&tb));
    }
    SendMessageA(hwnd(), TB_AUTOSIZE, 0, 0);
}

ToolBar::Button* ToolBar::Find(const char* name) {
    for (Button& b : buttons_)
        if (std::string_view(b.row.name) == name)
            return &b;
    return nullptr;
}

void ToolBar::SetButtonVisible(const char* name, bool visible) {
    if (Button* b = Find(name))
        SendMessageA(hwnd(), TB_HIDEBUTTON, b->id, MAKELPARAM(visible ? FALSE : TRUE, 0));
}

void ToolBar::SetButtonCaption(const char* name, const std::string& caption) {
    Button* b = Find(name);
    if (!b || b->row.separator)
        return;
    b->caption = caption;
    TBBUTTONINFOA info{};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_TEXT;
    info.pszText = b->caption.data();
    SendMessageA(hwnd(), TB_SETBUTTONINFOA, b->id, reinterpret_cast<LPARAM>(&info));
}

void ToolBar::SetButtonHint(const char* name, const std::string& hint) {
    if (Button* b = Find(name))
        b->hint = hint;
}

void ToolBar::OnCommand(WORD, WORD id) {
    for (const Button& b : buttons_)
        if (b.id == id && !b.row.separator && onButton) {
            auto handler = onButton;
            handler(b.row);
            return;
        }
}

LRESULT ToolBar::OnNotify(NMHDR* header) {
    if (header->code != TTN_GETDISPINFOA)
        return 0;
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    for (Button& b : buttons_)
        if (static_cast<UINT_PTR>(b.id) == header->idFrom) {
            info->lpszText = b.hint.data();
            return 1;
        }
    return 0;
}

// ------------------------------------------------------------------- CoolBar

CoolBar::CoolBar(Form& form, const Component& c, Control* parent) : Control(form, c, parent) {}

void CoolBar::SetBand(Control& child, int minHeight) {
    REBARBANDINFOA band{};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE;
    band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS;
    band.hwndChild = child.hwnd();
    band.cyMinChild = static_cast<UINT>(minHeight);
    band.cxMinChild = 0;
    SendMessageA(hwnd(), RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band));
}

// ----------------------------------------------------------------- StatusBar

StatusBar::StatusBar(Form& form, const Component& c, Control* parent) : Control(form, c, parent) {}

void StatusBar::SetPanels(const std::vector<int>& widths) {
    widths_ = widths;
    std::vector<int> edges;
    int right = 0;
    for (int w : widths_)
        edges.push_back(right += w);
    SendMessageA(hwnd(), SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void StatusBar::SetPanelWidth(int panel, int width) {
    if (panel < 0 || panel >= static_cast<int>(widths_.size()))
        return;
    widths_[panel] = width;
    SetPanels(widths_);
}

int StatusBar::PanelWidth(int panel) const {
    return panel >= 0 && panel < static_cast<int>(widths_.size()) ? widths_[panel] : 0;
}

} // namespace kit
