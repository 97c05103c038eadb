// The language selection window of Language.dll.
#pragma once

#include "ui/kit/window.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace language {

struct Choice {
    int32_t identifier;
    std::string name;  // in the ANSI code page
};

// Shows the choices modally, the current one selected.  The chosen
// identifier, or nothing when the operator cancels or closes the window.
std::optional<int32_t> ShowSelectWindow(const std::string& title,
                                        const std::vector<Choice>& choices, int32_t current);

} // namespace language
