// The about window: the caller's texts and the build's own version.
#pragma once

#include <string>

namespace about {

// Window class and the identifiers of the shown texts (the tests read them).
constexpr const char* kAboutFormClass = "BasicAboutForm";
constexpr int kSystemNameId = 100;
constexpr int kVersionId = 101;
constexpr int kAuthorId = 102;
constexpr int kDateId = 103;
constexpr int kBuildId = 104;

struct AboutTexts {
    std::string caption, systemName, version, author, date;
};

// Shows the window over the caller's active window (disabled meanwhile)
// until OK, Esc or its close box.
void ShowAboutForm(const AboutTexts& texts);

// "product version" from this module's version resource.
std::string BuildVersion();

} // namespace about
