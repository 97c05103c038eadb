// The library's own screen keyboard: a small window of keys for a touch
// screen that types into the window that has the focus.  It never takes the
// focus or activates itself, so the focus stays where the operator typed.
#pragma once

#include <windows.h>

namespace login {

// Class names and key identifiers (the tests find and press keys by them).
// A key's identifier is the character it types; letters are named by their
// capital and type the small letter unless Shift is on.
constexpr const char* kKeyboardClass = "LoginScreenKeyboard";
constexpr const char* kKeyClass = "LoginScreenKey";
constexpr int kBackspaceKey = 0x08;
constexpr int kShiftKey = 0x10;
constexpr int kSpaceKey = 0x20;

// Shows the keyboard (made on the calling thread when there is none yet),
// just below the window rectangle "beside" when given, else at the bottom
// of the screen.
void ShowScreenKeyboard(const RECT* beside = nullptr);
void HideScreenKeyboard();
bool ScreenKeyboardShown();
// Destroys the window (when the library is unloaded).
void DestroyScreenKeyboard();

} // namespace login
