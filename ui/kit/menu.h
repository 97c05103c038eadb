// A form's main menu from a table: captions with & mnemonics, hot keys (an
// accelerator table that works in the form's own modal loop and in a host's
// message loop alike), tags, check marks, enabled and visible items.  A
// hidden item is taken out of its menu and put back in its place when shown.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

struct MenuEntry {
    int level; // 0: a menu of the bar; 1: an item of the menu above
    const char* name;
    const char* caption;          // "-": a separator
    const char* hotKey = nullptr; // "F5", "Esc", "Alt+X", "Alt+F3", ...
    int tag = 0;
    bool checked = false;
    bool visible = true;
};

class MenuBar {
  public:
    struct Item {
        MenuEntry entry;
        std::string caption;
        UINT id = 0;
        int menu = 0; // index of its menu on the bar
        bool checked = false, visible = true, enabled = true;
        bool separator() const { return caption == "-"; }
    };

    MenuBar() = default;
    ~MenuBar();
    MenuBar(const MenuBar&) = delete;
    MenuBar& operator=(const MenuBar&) = delete;

    // Builds the menu and its hot keys and puts it on the form.
    void Build(HWND form, const MenuEntry* entries, std::size_t n);
    template <std::size_t N> void Build(HWND form, const MenuEntry (&e)[N]) { Build(form, e, N); }

    Item* Find(std::string_view name);
    Item* ById(UINT id);
    Item* ByTag(int tag);
    void SetChecked(std::string_view name, bool checked);
    void SetVisible(std::string_view name, bool visible);
    void SetEnabled(std::string_view name, bool enabled);
    void SetCaption(std::string_view name, const std::string& caption);

    // A menu item or its hot key was chosen (WM_COMMAND of the form).
    bool Choose(UINT id);
    std::function<void(Item&)> onClick;

    HMENU handle() const { return bar_; }
    HACCEL accelerators() const { return accel_; }

  private:
    void Refill(int menu);
    HMENU Popup(int menu) const;
    std::string Text(const Item& it) const;

    HWND form_ = nullptr;
    HMENU bar_ = nullptr;
    HACCEL accel_ = nullptr;
    std::vector<Item> items_; // menus and items in table order
    HHOOK hook_ = nullptr;
};

// The key of a hot-key text ("F4", "Esc", "Alt+X"); false if unknown.
bool ParseHotKey(const char* text, ACCEL* accel);

} // namespace kit
