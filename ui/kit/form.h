// A form: a top-level window built from its component table, with every
// component findable by its name, fonts shared by the components, tool
// tips for their hints, and alignment kept on every resize.
#pragma once

#include "ui/kit/component.h"
#include "ui/kit/controls.h"
#include "ui/kit/gdi.h"
#include "ui/kit/window.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

class Form : public Window {
  public:
    Form() = default;
    ~Form() override;

    // Creates the components in table order (parents first).
    void Build(const Component* rows, std::size_t n);
    template <std::size_t N> void Build(const Component (&rows)[N]) { Build(rows, N); }

    // The component of that name, or null.
    Control* Find(std::string_view name) const;
    // The component of that name; it must exist.
    Control& operator[](std::string_view name) const;
    template <class T> T& Get(std::string_view name) const {
        return static_cast<T&>((*this)[name]);
    }

    // Lays out the form's aligned components and theirs.
    void Realign();

    HFONT FontFor(const FontStyle& style);
    HWND tooltips() const { return tooltips_; }
    COLORREF colour() const { return GetSysColor(COLOR_BTNFACE); }

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // Menu items and accelerators: WM_COMMAND with no control.
    virtual void OnMenuCommand(WORD id) { (void)id; }

  private:
    void RealignTop();
    void Stack();
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<std::string, Control*, std::less<>> byName_;
    std::vector<Control*> top_;
    std::map<std::string, Font> fonts_;
    HWND tooltips_ = nullptr;

    friend class Control;
};

// WM_COMMAND, WM_NOTIFY and WM_CTLCOLOR* of a system control handed back to
// its component; false when the message is not a child's.
bool RouteToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

// Paint boxes, images, flat buttons and labels: drawn below the windowed
// components that share their parent.
bool IsGraphic(Kind k);

// Lays out aligned children inside area (shared by forms and containers).
void AlignChildren(const std::vector<Control*>& children, RECT area);

} // namespace kit
