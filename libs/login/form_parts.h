// Small pieces that the login and accounts windows share: child controls,
// their texts, and the operator's warnings.
#pragma once

#include <windows.h>

#include <string>

namespace login {

// A child control of the window with the dialog font.
HWND MakeControl(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w,
                 int h, int id, DWORD exStyle = 0);
// The text of a child control.
std::string TextOf(HWND parent, int id);
// The text without spaces at either end.
std::string Trimmed(const std::string& text);
// Overwrites the string's bytes before it goes (for passwords).
void Wipe(std::string& text);
// Empties a password box.
void ClearText(HWND parent, int id);
// A modal warning over the window.
void Warn(HWND owner, const std::string& text);

// The caption of the library's message boxes.
extern const char* const kMessageCaption;

} // namespace login
