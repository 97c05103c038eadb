#include "libs/login/mark_settings.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace login {

const std::array<MarkColour, 6>& MarkColours() {
    // Labels are code page 950 (this file is compiled with that charset).
    static const std::array<MarkColour, 6> colours{{
        {"Red", "紅 Red", RGB(255, 0, 0)},
        {"Green", "綠 Green", RGB(0, 255, 0)},
        {"Blue", "藍 Blue", RGB(0, 0, 255)},
        {"Yellow", "黃 Yellow", RGB(255, 255, 0)},
        {"Cyan", "青 Cyan", RGB(0, 255, 255)},
        {"White", "白 White", RGB(255, 255, 255)},
    }};
    return colours;
}

namespace {

constexpr const char* kSection = "Mark";

std::string ReadKey(const std::string& path, const char* key) {
    char text[64] = {};
    GetPrivateProfileStringA(kSection, key, "", text, sizeof text, path.c_str());
    return text;
}

std::string Trimmed(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

// A whole decimal number, or fallback; huge values saturate.
long ParseNumber(const std::string& raw, long fallback) {
    const std::string s = Trimmed(raw);
    if (s.empty())
        return fallback;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (end == s.c_str() || *end != '\0')
        return fallback;
    return v; // strtol saturates at LONG_MIN/LONG_MAX on overflow
}

bool SameName(const std::string& a, const char* b) {
    if (a.size() != std::strlen(b))
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

} // namespace

MarkSettings ReadMarkSettings(const std::string& path) {
    MarkSettings s;
    s.on = ParseNumber(ReadKey(path, "Switch"), 0) != 0;
    const std::string colour = Trimmed(ReadKey(path, "Colour"));
    for (std::size_t i = 0; i < MarkColours().size(); ++i)
        if (SameName(colour, MarkColours()[i].name))
            s.colour = static_cast<int>(i);
    long width = ParseNumber(ReadKey(path, "Width"), s.width);
    if (width < MarkSettings::kMinWidth)
        width = MarkSettings::kMinWidth;
    if (width > MarkSettings::kMaxWidth)
        width = MarkSettings::kMaxWidth;
    s.width = static_cast<int>(width);
    s.ticks = ParseNumber(ReadKey(path, "Ticks"), s.ticks ? 1 : 0) != 0;
    return s;
}

bool WriteMarkSettings(const std::string& path, const MarkSettings& s) {
    const int colour =
        s.colour >= 0 && s.colour < static_cast<int>(MarkColours().size()) ? s.colour : 0;
    // The section as it is, without the four keys, then the four keys: one
    // write, so that the file never holds part of a change.
    std::vector<char> old(32 * 1024, '\0');
    const DWORD n = GetPrivateProfileSectionA(kSection, old.data(), static_cast<DWORD>(old.size()),
                                              path.c_str());
    std::string section;
    for (std::size_t at = 0; at < n && old[at] != '\0';) {
        const std::string line(old.data() + at);
        at += line.size() + 1;
        const std::string key = Trimmed(line.substr(0, line.find('=')));
        if (SameName(key, "Switch") || SameName(key, "Colour") || SameName(key, "Width") ||
            SameName(key, "Ticks"))
            continue;
        section += line;
        section += '\0';
    }
    section += std::string("Switch=") + (s.on ? "1" : "0") + '\0';
    section += std::string("Colour=") + MarkColours()[colour].name + '\0';
    section += "Width=" + std::to_string(s.width) + '\0';
    section += std::string("Ticks=") + (s.ticks ? "1" : "0") + '\0';
    section += '\0';
    return WritePrivateProfileSectionA(kSection, section.data(), path.c_str()) != FALSE;
}

MarkState::MarkState(std::string path) : path_(std::move(path)) {}

uint32_t MarkState::Packed(const MarkSettings& s) {
    const int colour =
        s.colour >= 0 && s.colour < static_cast<int>(MarkColours().size()) ? s.colour : 0;
    const int width = s.width < MarkSettings::kMinWidth   ? MarkSettings::kMinWidth
                      : s.width > MarkSettings::kMaxWidth ? MarkSettings::kMaxWidth
                                                          : s.width;
    return (s.on ? 1u : 0u) | (s.ticks ? 2u : 0u) | static_cast<uint32_t>(colour) << 8 |
           static_cast<uint32_t>(width) << 16;
}

MarkSettings MarkState::Unpacked(uint32_t word) {
    MarkSettings s;
    s.on = (word & 1u) != 0;
    s.ticks = (word & 2u) != 0;
    s.colour = static_cast<int>((word >> 8) & 0xFFu);
    s.width = static_cast<int>((word >> 16) & 0xFFu);
    return s;
}

void MarkState::LoadOnce() {
    std::call_once(loaded_, [this] { settings_ = Packed(ReadMarkSettings(path_)); });
}

MarkSettings MarkState::Current() {
    LoadOnce();
    return Unpacked(settings_.load());
}

bool MarkState::On() {
    return Current().on;
}

bool MarkState::Commit(const MarkSettings& s) {
    const MarkSettings kept = Unpacked(Packed(s));
    if (!WriteMarkSettings(path_, kept))
        return false;
    settings_ = Packed(kept);
    return true;
}

bool MarkState::Toggle() {
    LoadOnce();
    // Read, flip and write under the writers' lock, so that two quick
    // toggles never leave the file behind the state in the library.
    std::lock_guard<std::mutex> g(fileMutex_);
    MarkSettings s = Current();
    s.on = !s.on;
    return Commit(s);
}

bool MarkState::Apply(const MarkSettings& chosen) {
    LoadOnce();
    std::lock_guard<std::mutex> g(fileMutex_);
    MarkSettings s = Current();
    s.colour = chosen.colour;
    s.width = chosen.width;
    s.ticks = chosen.ticks;
    return Commit(s);
}

} // namespace login
