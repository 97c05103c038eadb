// Looking at the station's window as an operator's test would: components
// found by their names, bounds, captions, menus, pixels, clicks and keys,
// all through the Windows API.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_station {

// The component of that name inside form (any depth), or null.
HWND FindComponent(HWND form, const char* name);
// Bounds in the parent's client coordinates.
RECT BoundsInParent(HWND h);
// WS_VISIBLE of the window itself (not of its parents).
bool Shown(HWND h);
std::string TextOf(HWND h);
// The tool tip (hint) of a component, from the form's tool-tip window.
std::string HintOf(HWND form, HWND component);
// A mouse click at the middle of the component.
void Click(HWND h);
// The font a control draws its text with.
LOGFONTA FontOf(HWND w);
// A visible top-level window of class cls in this process, or null.
HWND VisibleOwnWindow(const char* cls);

struct MenuItemState {
    std::string caption; // with the hot key after a tab
    int tag = 0;
    UINT id = 0;
    bool separator = false, checked = false, enabled = true;
};
// The items of menu number index of the form's menu bar, as shown.
std::vector<MenuItemState> MenuItems(HWND form, int index);
std::string MenuTitle(HWND form, int index);
// The shown item of that tag, or an item with id 0.
MenuItemState MenuItemByTag(HWND form, int tag);
// The operator chooses the item of that tag.
void ChooseMenuItem(HWND form, int tag);
// A key pressed while the window has the focus (messages pumped).
void PressKey(HWND form, UINT vk, bool alt = false);

// What a window paints, taken with WM_PRINTCLIENT into a 24-bit bitmap.
struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> bgr; // rows of width * 3 bytes
    COLORREF At(int x, int y) const;
};
Picture PrintClient(HWND h);

// An 8-bit grey BMP (value(x, y) per pixel) or a 24-bit one (colour(x, y)).
void WriteGreyBmp(const std::string& path, int width, int height, uint8_t (*value)(int, int));
void WriteColourBmp(const std::string& path, int width, int height, COLORREF (*colour)(int, int));

// Points module's import of function from dll (for example vardel.dll's
// ShellExecuteA of shell32.dll) at replacement; false when the module does
// not import it.  The previous address is returned in previous.
bool RedirectImport(HMODULE module, const char* dll, const char* function, void* replacement,
                    void** previous = nullptr);

// The lines this process writes with OutputDebugStringA while it lives
// (seen through a vectored exception handler, as a debugger would see them).
class DebugOutput {
  public:
    DebugOutput();
    ~DebugOutput();
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;
    std::vector<std::string> Lines();
    void Clear();

  private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* e);
    void* handle_ = nullptr;
};

} // namespace testing_station
