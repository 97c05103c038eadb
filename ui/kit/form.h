// A form: a top-level window built from its component table, with every
// component findable by its name, fonts shared by the components, tool
// tips for their hints, and alignment kept on every resize.
#pragma once

#include "ui/kit/component.h"
#include "ui/kit/controls.h"
#include "ui/kit/gdi.h"
#include "ui/kit/window.h"

#include <initializer_list>
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
    // The component of that name as a T, for a form's handles, bound once
    // when the form is built: a name that the table does not hold, or a
    // component of another kind, throws std::logic_error naming it (the
    // form then fails to build; a command never meets a missing one).
    template <class T = Control> T& Bind(std::string_view name) const {
        T* c = dynamic_cast<T*>(Find(name));
        if (!c)
            NoComponent(name);
        return *c;
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
    [[noreturn]] static void NoComponent(std::string_view name);
    void RealignTop();
    void Stack();
    std::vector<std::unique_ptr<Control>> controls_;
    std::map<std::string, Control*, std::less<>> byName_;
    std::vector<Control*> top_;
    std::map<std::string, Font> fonts_;
    HWND tooltips_ = nullptr;

    friend class Control;
};

// A dialog form shown modally: while it shows, the thread's other windows
// are disabled; Enter presses the default button (or the focused push
// button), Esc the cancel button, Tab walks the tab order.  Every way of
// closing (a button's modal result, Esc, the close box) passes CloseQuery.
class ModalForm : public Form {
  public:
    enum Result { kNone = 0, kOk = 1, kCancel = 2 };

    // A popup with a fixed dialog border and a caption, of that client
    // size, hidden until shown.
    bool CreateDialogForm(const char* className, const char* caption, int clientWidth,
                          int clientHeight);
    // Centred on the screen, shown, runs until a modal result is set and
    // the form is hidden again; returns the result.
    int ShowModal();
    // Ends the modal loop with that result (from any handler of the thread).
    void SetModalResult(int result);
    int ModalResult() const { return modalResult_; }

    // The buttons that close the form with a result when clicked.
    void SetDefaultButton(const char* name, int result);
    void SetCancelButton(const char* name, int result);
    // Tab order of the named components, first to last; the first has the
    // focus when the form is shown.
    void SetTabOrder(std::initializer_list<const char*> names);

  protected:
    // A button with a modal result was clicked (OK writes back here).
    virtual void ModalButtonClick(int result) { (void)result; }
    // Before the form closes, whatever closes it.
    virtual void CloseQuery() {}
    // As the form is about to become visible (captions, values).
    virtual void FormShow() {}
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    bool HandleDialogKey(const MSG& m);
    void Press(Control* button);
    int modalResult_ = kNone;
    Control* default_ = nullptr;
    Control* cancel_ = nullptr;
    HWND firstFocus_ = nullptr;
    HWND lastFocus_ = nullptr;
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
