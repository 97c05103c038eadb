// The components of a form as small windows over kit::Window: our own
// classes for panels, labels, flat buttons, splitters, paint boxes and the
// image view; thin wrappers over the system's buttons, edits, check boxes,
// list views, band bar, tool bar and status bar.
#pragma once

#include "ui/kit/canvas.h"
#include "ui/kit/component.h"
#include "ui/kit/gdi.h"
#include "ui/kit/window.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kit {

class Form;

class Control : public Window {
  public:
    Control(Form& form, const Component& c, Control* parent);
    ~Control() override;

    const std::string& name() const { return name_; }
    Kind kind() const { return kind_; }
    int tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }
    Align align() const { return align_; }
    Control* parent() const { return parent_; }
    const std::vector<Control*>& children() const { return children_; }
    Form& form() const { return form_; }

    // Bounds in the parent's client coordinates.
    RECT Bounds() const;
    int Left() const { return Bounds().left; }
    int Top() const { return Bounds().top; }
    int Width() const;
    int Height() const;
    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v);
    void SetTop(int v);
    void SetWidth(int v);
    void SetHeight(int v);

    bool Visible() const;
    void SetVisible(bool visible);
    void SetEnabled(bool enabled);
    // Moves the component into another container (bounds stay numbers in
    // the new parent's coordinates).
    void SetParent(Control& parent);

    // The caption.  Our own components keep it themselves: setting it from
    // any thread never waits for the window's thread.
    virtual void SetCaption(const std::string& text);
    std::string Caption() const;
    void SetHint(const std::string& text);
    std::string Hint() const;

    COLORREF Colour() const; // the colour it paints with (own or parent's)
    void SetColour(COLORREF c);
    HFONT Font() const { return font_; }
    COLORREF FontColour() const { return fontColour_; }
    void SetBevelOuter(Bevel b);
    Bevel BevelOuter() const { return bevelOuter_; }

    // Lays out the aligned children inside the client area: top, bottom,
    // left, right, then client, each group in creation order.
    void Realign();

    std::function<void(Control&)> onClick;
    std::function<void(Control&, HDC, const RECT&)> onPaint;

    // Notifications of a system control, handed back by its parent.
    virtual void OnCommand(WORD code, WORD id);
    virtual LRESULT OnNotify(NMHDR* header);
    // WM_CTLCOLOR* for a system control: its brush, colours set on dc.
    HBRUSH OnControlColour(HDC dc);

  protected:
    // Creates one of our own classes.
    void CreateOwn(const char* className, DWORD style, DWORD exStyle = 0);
    // Creates a system control of the given class.
    void CreateSystem(const char* className, DWORD style, DWORD exStyle = 0);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    virtual void Paint(HDC dc, const RECT& client);
    void PaintCaption(HDC dc, RECT r, UINT format);
    void PaintParentBackground(HDC dc, const RECT& client);
    // The mouse button came up at lp (client coordinates): a click when
    // that lies inside.
    void ClickIfInside(LPARAM lp);
    HWND ParentHwnd() const;

    const Component desc_;

  private:
    void Attach(HWND h);
    void Link();
    void AddTool();

    Form& form_;
    Control* parent_;
    std::vector<Control*> children_;
    std::string name_;
    Kind kind_;
    Align align_;
    int tag_;
    COLORREF colour_;
    HFONT font_;
    COLORREF fontColour_;
    Bevel bevelOuter_;
    Brush brush_;
    mutable std::mutex textLock_;
    std::string caption_, hint_;
    bool own_ = false;
    bool pressed_ = false;

    friend class Form;
};

// A flat glyph button: hover and pressed states, glyph above or left of the
// caption; never takes the focus.
class FlatButton : public Control {
  public:
    FlatButton(Form& form, const Component& c, Control* parent);

  protected:
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc, const RECT& client) override;

  private:
    Bitmap glyph_;
    bool hover_ = false, pressed_ = false;
};

// A single-line edit with its own colours and the events of a typed
// character (return 0 to drop it), a released mouse button and a changed
// text.
class Edit : public Control {
  public:
    Edit(Form& form, const Component& c, Control* parent);
    ~Edit() override;
    // Takes the system edit's messages first (called once it exists).
    void Subclass();
    std::string Text() const;
    void SetText(const std::string& text);
    void SelectAll();

    std::function<char(Edit&, char)> onKeyPress;
    std::function<void(Edit&)> onMouseUp;
    std::function<void(Edit&)> onChange;

    void OnCommand(WORD code, WORD id) override;

  private:
    static LRESULT CALLBACK EditProcedure(HWND h, UINT msg, WPARAM wp, LPARAM lp);
    WNDPROC original_ = nullptr;
};

// The camera view: shows its canvas.
class ImageView : public Control {
  public:
    ImageView(Form& form, const Component& c, Control* parent);
    void SetCanvas(std::unique_ptr<Canvas> canvas);
    Canvas* canvas() const { return canvas_.get(); }

  protected:
    void Paint(HDC dc, const RECT& client) override;

  private:
    std::unique_ptr<Canvas> canvas_;
};

class ListView : public Control {
  public:
    ListView(Form& form, const Component& c, Control* parent);
    void AddColumn(const std::string& caption, int width);
    void SetColumnCaption(int column, const std::string& caption);
    void InsertRow(int index, const std::vector<std::string>& texts);
    void DeleteRow(int index);
    void Clear();
    int RowCount() const;
    std::string Text(int row, int column) const;
    void SetTextColour(COLORREF c);

  private:
    int columns_ = 0;
};

struct ToolButtonRow {
    const char* name;
    const char* caption = "";
    const char* hint = "";
    int tag = 0;
    bool separator = false;
    int separatorWidth = 0; // 0: the tool bar's own
    bool visible = true;
};

class ToolBar : public Control {
  public:
    ToolBar(Form& form, const Component& c, Control* parent);
    void AddButtons(const ToolButtonRow* rows, std::size_t n);
    void SetButtonVisible(const char* name, bool visible);
    void SetButtonCaption(const char* name, const std::string& caption);
    void SetButtonHint(const char* name, const std::string& hint);
    // Called with the button's tag (separators never call).
    std::function<void(const ToolButtonRow&)> onButton;

    void OnCommand(WORD code, WORD id) override;
    LRESULT OnNotify(NMHDR* header) override;

  private:
    struct Button {
        ToolButtonRow row;
        std::string caption, hint;
        int id;
    };
    Button* Find(const char* name);
    std::vector<Button> buttons_;
};

class CoolBar : public Control {
  public:
    CoolBar(Form& form, const Component& c, Control* parent);
    // Puts the child in the one band.
    void SetBand(Control& child, int minHeight);
};

class StatusBar : public Control {
  public:
    StatusBar(Form& form, const Component& c, Control* parent);
    void SetPanels(const std::vector<int>& widths);
    void SetPanelWidth(int panel, int width);
    int PanelWidth(int panel) const;

  private:
    std::vector<int> widths_;
};

// The form's name for a window of one of its components, or "".
std::string ComponentName(HWND h);

} // namespace kit
