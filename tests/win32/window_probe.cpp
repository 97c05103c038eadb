#include "tests/win32/window_probe.h"

#include "tests/win32/station_fixture.h"

#include <commctrl.h>

#include <fstream>
#include <mutex>

namespace testing_station {
namespace {

struct NameSearch {
    const char* name;
    HWND found;
};

BOOL CALLBACK MatchName(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<NameSearch*>(lp);
    const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(h, "KitName")));
    char name[256] = {};
    if (atom && GetAtomNameA(atom, name, sizeof name) && std::string(name) == s->name) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

void Put32(std::string& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b += static_cast<char>(v >> (8 * i));
}
void Put16(std::string& b, uint16_t v) {
    b += static_cast<char>(v);
    b += static_cast<char>(v >> 8);
}

std::string BmpHeader(int w, int h, int bits, int paletteEntries, uint32_t dataBytes) {
    std::string b = "BM";
    const uint32_t offset = 54 + 4 * paletteEntries;
    Put32(b, offset + dataBytes);
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(w));
    Put32(b, static_cast<uint32_t>(h)); // bottom-up
    Put16(b, 1);
    Put16(b, static_cast<uint16_t>(bits));
    Put32(b, 0);
    Put32(b, dataBytes);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, static_cast<uint32_t>(paletteEntries));
    Put32(b, 0);
    return b;
}

} // namespace

HWND FindComponent(HWND form, const char* name) {
    NameSearch s{name, nullptr};
    EnumChildWindows(form, &MatchName, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

RECT BoundsInParent(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Shown(HWND h) {
    return h && (GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::string TextOf(HWND h) {
    char text[512] = {};
    const int n = GetWindowTextA(h, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}

namespace {

struct TipSearch {
    HWND form;
    std::vector<HWND> tips;
};

BOOL CALLBACK CollectTips(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<TipSearch*>(lp);
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (lstrcmpiA(cls, "tooltips_class32") == 0 && GetWindow(h, GW_OWNER) == s->form)
        s->tips.push_back(h);
    return TRUE;
}

} // namespace

std::string HintOf(HWND form, HWND component) {
    TipSearch s{form, {}};
    EnumWindows(&CollectTips, reinterpret_cast<LPARAM>(&s));
    for (HWND tips : s.tips) {
        char text[512] = {};
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = form;
        ti.uId = reinterpret_cast<UINT_PTR>(component);
        ti.lpszText = text;
        if (SendMessageA(tips, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti))) {
            ti.lpszText = text;
            SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
            return text;
        }
    }
    return {};
}

void Click(HWND h) {
    RECT r;
    GetClientRect(h, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(h, WM_LBUTTONUP, 0, at);
}

std::vector<MenuItemState> MenuItems(HWND form, int index) {
    std::vector<MenuItemState> items;
    HMENU popup = GetSubMenu(GetMenu(form), index);
    for (int i = 0; popup && i < GetMenuItemCount(popup); ++i) {
        char text[256] = {};
        MENUITEMINFOA mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_ID | MIIM_DATA | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        mi.dwTypeData = text;
        mi.cch = sizeof text;
        GetMenuItemInfoA(popup, static_cast<UINT>(i), TRUE, &mi);
        MenuItemState s;
        s.separator = (mi.fType & MFT_SEPARATOR) != 0;
        s.caption = s.separator ? "-" : text;
        s.tag = static_cast<int>(mi.dwItemData);
        s.id = mi.wID;
        s.checked = (mi.fState & MFS_CHECKED) != 0;
        s.enabled = (mi.fState & MFS_GRAYED) == 0;
        items.push_back(s);
    }
    return items;
}

std::string MenuTitle(HWND form, int index) {
    char text[256] = {};
    GetMenuStringA(GetMenu(form), static_cast<UINT>(index), text, sizeof text, MF_BYPOSITION);
    return text;
}

MenuItemState MenuItemByTag(HWND form, int tag) {
    for (int m = 0; m < GetMenuItemCount(GetMenu(form)); ++m)
        for (const MenuItemState& s : MenuItems(form, m))
            if (!s.separator && s.tag == tag)
                return s;
    return {};
}

void ChooseMenuItem(HWND form, int tag) {
    const MenuItemState s = MenuItemByTag(form, tag);
    if (s.id)
        SendMessageA(form, WM_COMMAND, MAKEWPARAM(s.id, 0), 0);
}

void PressKey(HWND form, UINT vk, bool alt) {
    SetForegroundWindow(form);
    SetFocus(form);
    PostMessageA(form, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, alt ? (1 << 29) | 1 : 1);
    PostMessageA(form, alt ? WM_SYSKEYUP : WM_KEYUP, vk, 0xC0000001);
    Pump(100);
}

COLORREF Picture::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return CLR_INVALID;
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t(3);
    const uint8_t* p = bgr.data() + static_cast<std::size_t>(y) * stride + 3 * x;
    return RGB(p[2], p[1], p[0]);
}

Picture PrintClient(HWND h) {
    Picture pic;
    RECT r;
    GetClientRect(h, &r);
    pic.width = r.right;
    pic.height = r.bottom;
    if (pic.width <= 0 || pic.height <= 0)
        return pic;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = pic.width;
    bi.bmiHeader.biHeight = -pic.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bmp);
    SendMessageA(h, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const std::size_t stride = (static_cast<std::size_t>(pic.width) * 3 + 3) & ~std::size_t(3);
    const auto* p = static_cast<const uint8_t*>(bits);
    pic.bgr.assign(p, p + stride * pic.height);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return pic;
}

void WriteGreyBmp(const std::string& path, int w, int h, uint8_t (*value)(int, int)) {
    const int stride = (w + 3) & ~3;
    std::string b = BmpHeader(w, h, 8, 256, static_cast<uint32_t>(stride * h));
    for (int i = 0; i < 256; ++i) {
        b += static_cast<char>(i);
        b += static_cast<char>(i);
        b += static_cast<char>(i);
        b += '\0';
    }
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x)
            b += static_cast<char>(value(x, y));
        b.append(static_cast<std::size_t>(stride - w), '\0');
    }
    std::ofstream(path, std::ios::binary) << b;
}

void WriteColourBmp(const std::string& path, int w, int h, COLORREF (*colour)(int, int)) {
    const int stride = (w * 3 + 3) & ~3;
    std::string b = BmpHeader(w, h, 24, 0, static_cast<uint32_t>(stride * h));
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const COLORREF c = colour(x, y);
            b += static_cast<char>(GetBValue(c));
            b += static_cast<char>(GetGValue(c));
            b += static_cast<char>(GetRValue(c));
        }
        b.append(static_cast<std::size_t>(stride - w * 3), '\0');
    }
    std::ofstream(path, std::ios::binary) << b;
}

bool RedirectImport(HMODULE module, const char* dll, const char* function, void* replacement,
                    void** previous) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    if (!base)
        return false;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return false;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         d->Name != 0; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(
            base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) != 0)
                continue;
            DWORD old = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE,
                                &old))
                return false;
            if (previous)
                *previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<decltype(slots->u1.Function)>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            return true;
        }
    }
    return false;
}

namespace {

std::mutex gDebugLock;
std::vector<std::string> gDebugLines;

} // namespace

DebugOutput::DebugOutput() {
    handle_ = AddVectoredExceptionHandler(1, &DebugOutput::Handler);
}

DebugOutput::~DebugOutput() {
    if (handle_)
        RemoveVectoredExceptionHandler(handle_);
    Clear();
}

LONG CALLBACK DebugOutput::Handler(EXCEPTION_POINTERS* e) {
    const EXCEPTION_RECORD* r = e->ExceptionRecord;
    if (r->ExceptionCode == DBG_PRINTEXCEPTION_C && r->NumberParameters >= 2) {
        const auto* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
        const auto length = static_cast<std::size_t>(r->ExceptionInformation[0]);
        if (text && length > 0) {
            std::lock_guard<std::mutex> g(gDebugLock);
            gDebugLines.emplace_back(text, length - 1);
        }
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

std::vector<std::string> DebugOutput::Lines() {
    std::lock_guard<std::mutex> g(gDebugLock);
    return gDebugLines;
}

void DebugOutput::Clear() {
    std::lock_guard<std::mutex> g(gDebugLock);
    gDebugLines.clear();
}

LOGFONTA FontOf(HWND w) {
    LOGFONTA lf{};
    HFONT f = reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0));
    if (f)
        GetObjectA(f, sizeof lf, &lf);
    return lf;
}

namespace {
struct VisibleSearch {
    const char* cls;
    HWND found;
};

BOOL CALLBACK MatchVisible(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<VisibleSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && std::string(cls) == s->cls && IsWindowVisible(h)) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND VisibleOwnWindow(const char* cls) {
    VisibleSearch s{cls, nullptr};
    EnumWindows(&MatchVisible, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

} // namespace testing_station
