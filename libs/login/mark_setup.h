// The set-up of the cross-line mark: a small modal window with the colour,
// the line width and the ticks.
#pragma once

#include "libs/login/mark_settings.h"

#include <optional>
#include <string>

namespace login {

// Window class of the set-up window and its controls' identifiers (the
// tests find and work the window by them).
constexpr const char* kMarkSetupClass = "LoginMarkSetup";
constexpr int kColourFirstId = 200; // one radio button per colour, in order
constexpr int kWidthFirstId = 220;  // radio buttons for width 1, 2, 3
constexpr int kTicksId = 230;

// Shows the window over the caller's active window (disabled meanwhile) and
// returns the chosen settings on OK, nothing on Cancel, Esc or close.
std::optional<MarkSettings> ShowMarkSetup(const std::string& caption, const MarkSettings& now);

} // namespace login
