#include "libs/login/mark_settings.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

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
    const std::string width = std::to_string(s.width);
    bool ok = WritePrivateProfileStringA(kSection, "Switch", s.on ? "1" : "0", path.c_str());
    ok = WritePrivateProfileStringA(kSection, "Colour", MarkColours()[colour].name, path.c_str()) &&
         ok;
    ok = WritePrivateProfileStringA(kSection, "Width", width.c_str(), path.c_str()) && ok;
    ok = WritePrivateProfileStringA(kSection, "Ticks", s.ticks ? "1" : "0", path.c_str()) && ok;
    return ok;
}

MarkState::MarkState(std::string path) : path_(std::move(path)) {}

void MarkState::LoadOnce() {
    std::call_once(loaded_, [this] {
        const MarkSettings s = ReadMarkSettings(path_);
        on_ = s.on ? 1 : 0;
        colour_ = s.colour;
        width_ = s.width;
        ticks_ = s.ticks ? 1 : 0;
    });
}

MarkSettings MarkState::Current() {
    LoadOnce();
    MarkSettings s;
    s.on = on_.load() != 0;
    s.colour = colour_.load();
    s.width = width_.load();
    s.ticks = ticks_.load() != 0;
    return s;
}

bool MarkState::On() {
    LoadOnce();
    return on_.load() != 0;
}

bool MarkState::Toggle() {
    LoadOnce();
    const bool now = (on_.fetch_xor(1) ^ 1) != 0;
    // The file gets whatever the switch holds once this writer's turn comes,
    // so two quick toggles never leave it behind the state in memory.
    std::lock_guard<std::mutex> g(fileMutex_);
    WriteMarkSettings(path_, Current());
    return now;
}

bool MarkState::Apply(const MarkSettings& s) {
    LoadOnce();
    std::lock_guard<std::mutex> g(fileMutex_);
    colour_ = s.colour >= 0 && s.colour < static_cast<int>(MarkColours().size()) ? s.colour : 0;
    width_ = s.width < MarkSettings::kMinWidth   ? MarkSettings::kMinWidth
             : s.width > MarkSettings::kMaxWidth ? MarkSettings::kMaxWidth
                                                 : s.width;
    ticks_ = s.ticks ? 1 : 0;
    return WriteMarkSettings(path_, Current());
}

} // namespace login
