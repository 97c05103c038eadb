// The alphanumeric keypad's form and keys.
#include "ui/keypad_char.h"

namespace station {
namespace {

using kit::Component;

constexpr int kClientWidth = 370;
constexpr int kClientHeight = 191;
constexpr int kSide = 25;
// The letter keys have no entry in the key table: they type their caption.
constexpr int kLetter = -1;

constexpr Component Key(const char* name, const char* caption, int tag, int left, int top,
                        int width = kSide, const kit::FontStyle& font = kKeyFont) {
    return KeypadKey(name, caption, tag, left, top, width, kSide, font);
}
constexpr Component Letter(const char* name, const char* caption, int left, int top) {
    return Key(name, caption, kLetter, left, top);
}

constexpr Component CapsLock() {
    // Kept on the form but never offered: the letters are always upper case.
    Component c = Key("CapsLock", "CapsLock", kLetter, 8, 152, 95, kWideKeyFont);
    c.visible = false;
    c.enabled = false;
    return c;
}

constexpr Component kKeys[] = {
    Key("N1", "1", 1, 8, 16),
    Key("N2", "2", 2, 40, 16),
    Key("N3", "3", 3, 72, 16),
    Key("N4", "4", 4, 104, 16),
    Key("N5", "5", 5, 136, 16),
    Key("N6", "6", 6, 168, 16),
    Key("N7", "7", 7, 200, 16),
    Key("N8", "8", 8, 232, 16),
    Key("N9", "9", 9, 264, 16),
    Key("N0", "0", 0, 296, 16),
    Letter("KeyQ", "Q", 24, 48),
    Letter("KeyW", "W", 56, 48),
    Letter("KeyE", "E", 88, 48),
    Letter("KeyR", "R", 120, 48),
    Letter("KeyT", "T", 152, 48),
    Letter("KeyY", "Y", 184, 48),
    Letter("KeyU", "U", 216, 48),
    Letter("KeyI", "I", 248, 48),
    Letter("KeyO", "O", 280, 48),
    Letter("KeyP", "P", 312, 48),
    Letter("KeyA", "A", 40, 80),
    Letter("KeyS", "S", 72, 80),
    Letter("KeyD", "D", 104, 80),
    Letter("KeyF", "F", 136, 80),
    Letter("KeyG", "G", 168, 80),
    Letter("KeyH", "H", 200, 80),
    Letter("KeyJ", "J", 232, 80),
    Letter("KeyK", "K", 264, 80),
    Letter("KeyL", "L", 296, 80),
    Letter("KeyZ", "Z", 56, 112),
    Letter("KeyX", "X", 88, 112),
    Letter("KeyC", "C", 120, 112),
    Letter("KeyV", "V", 152, 112),
    Letter("KeyB", "B", 184, 112),
    Letter("KeyN", "N", 216, 112),
    Letter("KeyM", "M", 248, 112),
    Key("KeyPoint", kPointKeyCaption, 11, 176, 152),
    Key("KeyMinus", "-", 12, 208, 152),
    Key("Backspace", "Backspace", 10, 242, 152, 95, kWideKeyFont),
    CapsLock(),
};

} // namespace

std::unique_ptr<TKeyboard2Char>& ScreenKeyboard() {
    // The holder outlives the module's static destructors: a window is never
    // destroyed from within the unloading at process exit.
    static auto* keyboard = new std::unique_ptr<TKeyboard2Char>;
    return *keyboard;
}

TKeyboard2Char::TKeyboard2Char(HWND owner) {
    CreateKeypad("TKeyboard2Char", kClientWidth, kClientHeight, owner);
    Build(kKeys);
    for (const Component& c : kKeys) {
        kit::Control& key = Bind(c.name);
        if (c.tag != kLetter)
            key.onClick = [this](kit::Control& k) { TypeTag(k); };
        else if (c.enabled)
            key.onClick = [this](kit::Control& k) {
                const std::string caption = k.Caption();
                if (!caption.empty())
                    Type(caption.front());
            };
    }
}

TKeyboard2Char::~TKeyboard2Char() = default;

} // namespace station
