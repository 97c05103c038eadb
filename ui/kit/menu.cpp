#include "ui/kit/menu.h"

#include "common/guarded_entry.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace kit {
namespace {

constexpr UINT kFirstItemId = 40000;

// The forms of this thread whose hot keys are translated by the hook.
struct HotKeyForm {
    HWND form;
    HACCEL accel;
};
thread_local std::vector<HotKeyForm> tHotKeyForms;

// Called by the system: nothing thrown leaves it, and the next hook is
// called whatever happened.
LRESULT CALLBACK GetMessageHook(int code, WPARAM wp, LPARAM lp) {
    common::GuardedVoid("accelerator hook", [&] {
        if (code != HC_ACTION || wp != PM_REMOVE)
            return;
        auto* m = reinterpret_cast<MSG*>(lp);
        if (m->message != WM_KEYDOWN && m->message != WM_SYSKEYDOWN)
            return;
        const HWND root = m->hwnd ? GetAncestor(m->hwnd, GA_ROOT) : nullptr;
        for (const HotKeyForm& f : tHotKeyForms)
            if (root == f.form && IsWindowEnabled(f.form) &&
                TranslateAcceleratorA(f.form, f.accel, m)) {
                m->message = WM_NULL;
                break;
            }
    });
    return CallNextHookEx(nullptr, code, wp, lp);
}

} // namespace

bool ParseHotKey(const char* text, ACCEL* a) {
    if (!text || !*text)
        return false;
    a->fVirt = FVIRTKEY;
    const char* key = text;
    if (std::strncmp(text, "Alt+", 4) == 0) {
        a->fVirt |= FALT;
        key += 4;
    } else if (std::strncmp(text, "Ctrl+", 5) == 0) {
        a->fVirt |= FCONTROL;
        key += 5;
    }
    if (std::strcmp(key, "Esc") == 0) {
        a->key = VK_ESCAPE;
        return true;
    }
    if (key[0] == 'F' && key[1] >= '1' && key[1] <= '9') {
        const int n = std::atoi(key + 1);
        if (n < 1 || n > 12)
            return false;
        a->key = static_cast<WORD>(VK_F1 + n - 1);
        return true;
    }
    if (key[1] == '\0' && ((key[0] >= 'A' && key[0] <= 'Z') || (key[0] >= '0' && key[0] <= '9'))) {
        a->key = static_cast<WORD>(key[0]);
        return true;
    }
    return false;
}

MenuBar::~MenuBar() {
    std::erase_if(tHotKeyForms, [this](const HotKeyForm& f) { return f.form == form_; });
    if (hook_)
        UnhookWindowsHookEx(hook_);
    if (accel_)
        DestroyAcceleratorTable(accel_);
    // The bar belongs to the form and goes with it; one never attached is ours.
    if (bar_ && (!form_ || !IsWindow(form_) || GetMenu(form_) != bar_))
        DestroyMenu(bar_);
}

void MenuBar::Build(HWND form, const MenuEntry* entries, std::size_t n) {
    form_ = form;
    bar_ = CreateMenu();
    std::vector<ACCEL> keys;
    int menu = -1;
    for (std::size_t i = 0; i < n; ++i) {
        Item it;
        it.entry = entries[i];
        it.caption = entries[i].caption ? entries[i].caption : "";
        it.id = kFirstItemId + static_cast<UINT>(i);
        it.checked = entries[i].checked;
        it.visible = entries[i].visible;
        if (entries[i].level == 0) {
            ++menu;
            AppendMenuA(bar_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(CreatePopupMenu()),
                        it.caption.c_str());
        }
        it.menu = menu < 0 ? 0 : menu;
        ACCEL a{};
        if (entries[i].level == 1 && ParseHotKey(entries[i].hotKey, &a)) {
            a.cmd = static_cast<WORD>(it.id);
            keys.push_back(a);
        }
        items_.push_back(std::move(it));
    }
    for (int m = 0; m <= menu; ++m)
        Refill(m);
    if (!keys.empty())
        accel_ = CreateAcceleratorTableA(keys.data(), static_cast<int>(keys.size()));
    SetMenu(form, bar_);
    if (accel_) {
        tHotKeyForms.push_back({form, accel_});
        hook_ = SetWindowsHookExA(WH_GETMESSAGE, &GetMessageHook, nullptr, GetCurrentThreadId());
    }
}

HMENU MenuBar::Popup(int menu) const {
    return GetSubMenu(bar_, menu);
}

std::string MenuBar::Text(const Item& it) const {
    std::string t = it.caption;
    if (it.entry.hotKey && *it.entry.hotKey)
        t += std::string("\t") + it.entry.hotKey;
    return t;
}

void MenuBar::Refill(int menu) {
    HMENU popup = Popup(menu);
    if (!popup)
        return;
    while (GetMenuItemCount(popup) > 0)
        DeleteMenu(popup, 0, MF_BYPOSITION);
    for (const Item& it : items_) {
        if (it.entry.level != 1 || it.menu != menu || !it.visible)
            continue;
        MENUITEMINFOA mi{};
        mi.cbSize = sizeof mi;
        mi.fMask = MIIM_ID | MIIM_DATA | MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
        mi.wID = it.id;
        mi.dwItemData = static_cast<ULONG_PTR>(it.entry.tag);
        std::string text = Text(it);
        if (it.separator()) {
            mi.fMask = MIIM_ID | MIIM_DATA | MIIM_FTYPE;
            mi.fType = MFT_SEPARATOR;
        } else {
            mi.fType = MFT_STRING;
            mi.dwTypeData = text.data();
            mi.fState = (it.checked ? MFS_CHECKED : 0) | (it.enabled ? 0 : MFS_GRAYED);
        }
        InsertMenuItemA(popup, GetMenuItemCount(popup), TRUE, &mi);
    }
    if (form_ && GetMenu(form_) == bar_)
        DrawMenuBar(form_);
}

MenuBar::Item* MenuBar::Find(std::string_view name) {
    for (Item& it : items_)
        if (name == it.entry.name)
            return &it;
    return nullptr;
}

MenuBar::Item* MenuBar::ById(UINT id) {
    for (Item& it : items_)
        if (it.id == id)
            return &it;
    return nullptr;
}

MenuBar::Item* MenuBar::ByTag(int tag) {
    for (Item& it : items_)
        if (it.entry.level == 1 && !it.separator() && it.entry.tag == tag)
            return &it;
    return nullptr;
}

void MenuBar::SetChecked(std::string_view name, bool checked) {
    if (Item* it = Find(name)) {
        it->checked = checked;
        if (it->visible)
            CheckMenuItem(bar_, it->id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    }
}

void MenuBar::SetVisible(std::string_view name, bool visible) {
    Item* it = Find(name);
    if (!it || it->visible == visible)
        return;
    it->visible = visible;
    if (it->entry.level == 1)
        Refill(it->menu);
}

void MenuBar::SetEnabled(std::string_view name, bool enabled) {
    if (Item* it = Find(name)) {
        it->enabled = enabled;
        if (it->entry.level == 0)
            EnableMenuItem(bar_, static_cast<UINT>(it->menu),
                           MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
        else if (it->visible)
            EnableMenuItem(bar_, it->id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

void MenuBar::SetCaption(std::string_view name, const std::string& caption) {
    Item* it = Find(name);
    if (!it || it->separator())
        return;
    it->caption = caption;
    if (it->entry.level == 0) {
        ModifyMenuA(bar_, static_cast<UINT>(it->menu), MF_BYPOSITION | MF_POPUP | MF_STRING,
                    reinterpret_cast<UINT_PTR>(Popup(it->menu)), caption.c_str());
        if (form_)
            DrawMenuBar(form_);
    } else if (it->visible) {
        Refill(it->menu);
    }
}

bool MenuBar::Choose(UINT id) {
    Item* it = ById(id);
    if (!it || it->entry.level != 1 || it->separator() || !it->visible || !it->enabled)
        return false;
    if (onClick) {
        auto handler = onClick;
        handler(*it);
    }
    return true;
}

} // namespace kit
