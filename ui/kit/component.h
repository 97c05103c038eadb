// A form described the way a form designer describes it: one row per
// component, parents before their children, in creation order.
#pragma once

#include <windows.h>

#include <cstdint>

namespace kit {

// No colour of its own: the parent's, or the button face.
constexpr COLORREF kDefaultColour = CLR_INVALID;

enum class Kind {
    Panel,      // colour, bevels, caption; holds other components
    Label,      // a text on its parent's colour
    StaticText, // a text in a box of its own size (right-aligned as asked)
    FlatButton, // flat glyph button: hover and pressed states
    Button,     // plain push button
    Edit,       // single-line edit with its own colours
    CheckBox,
    ListView,  // report style: grid lines, whole-row selection, columns
    CoolBar,   // band bar holding the tool bar
    ToolBar,   // flat tool bar with captions and hints
    StatusBar, // status bar with panels
    Splitter,  // a bar between panels that refuses every move
    PaintBox,  // painted by its onPaint handler
    Image,     // shows a canvas (the camera view)
};

enum class Align { None, Top, Bottom, Left, Right, Client };
enum class Bevel { None, Raised, Lowered };
enum class TextAlign { Left, Centre, Right };

struct FontStyle {
    const char* face = "MS Sans Serif";
    int height = -11; // negative: character height in pixels
    COLORREF colour = RGB(0, 0, 0);
    bool bold = false;
    uint8_t charset = DEFAULT_CHARSET;
};

struct Component {
    const char* name;
    Kind kind;
    const char* parent = nullptr; // null: the form itself
    int left = 0, top = 0, width = 0, height = 0;
    const char* caption = "";
    COLORREF colour = kDefaultColour;
    FontStyle font{};
    int tag = 0;
    const char* hint = nullptr; // shown as a tool tip
    bool visible = true;
    bool enabled = true;
    Align align = Align::None;
    Bevel bevelInner = Bevel::None;
    Bevel bevelOuter = Bevel::None;
    TextAlign textAlign = TextAlign::Centre;
    int glyph = 0;           // bitmap resource of the module, 0 none
    bool glyphAbove = false; // glyph above the caption (else left of it)
    bool raised = false;     // a flat button drawn as a push button (keypad keys)
};

} // namespace kit
