// The debugger line of an entry that failed: "<entry>: <what>\n", written
// into a buffer of fixed size and never beyond it.  No Windows header: the
// frame around every entry (guarded_entry.h) hands the line to the debugger.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>

namespace common {

// Room of the line: the texts are cut to fit it.
constexpr std::size_t kEntryLineSize = 512;

// The length of the longest start of text that fits max bytes without
// splitting a character of the station's double-byte code page (a lead
// byte 0x81 ... 0xFE and the byte after it are one character).
inline std::size_t WholeCharacters(const char* text, std::size_t max) noexcept {
    std::size_t n = 0;
    while (n < max && text[n] != '\0') {
        const auto b = static_cast<unsigned char>(text[n]);
        const std::size_t width = (b >= 0x81 && b <= 0xFE && text[n + 1] != '\0') ? 2 : 1;
        if (n + width > max)
            break;
        n += width;
    }
    return n;
}

// Writes "<entry>: <what>\n" into line (size bytes, at least 1), always
// terminated.  A text too long for the line is cut at a whole character and
// marked with "..." before the new line.  Returns the length written.
inline std::size_t FormatEntryLine(char* line, std::size_t size, const char* entry,
                                   const char* what) noexcept {
    if (!line || size == 0)
        return 0;
    const char* e = entry ? entry : "?";
    const char* w = what ? what : "unknown exception";
    constexpr char kCut[] = "...";
    // The entry's name is short; it keeps at most half the line.
    const std::size_t room = size - 1;
    const std::size_t nameRoom = room / 2;
    const std::size_t name = WholeCharacters(e, nameRoom);
    // name + ": " + text + "\n"
    const std::size_t fixed = name + 2 + 1;
    std::size_t text = 0;
    bool textCut = false;
    if (fixed <= room) {
        const std::size_t textRoom = room - fixed;
        text = WholeCharacters(w, textRoom);
        if (w[text] != '\0') {
            textCut = true;
            text =
                textRoom >= sizeof kCut - 1 ? WholeCharacters(w, textRoom - (sizeof kCut - 1)) : 0;
        }
    }
    const int n = std::snprintf(line, size, "%.*s: %.*s%s\n", static_cast<int>(name), e,
                                static_cast<int>(text), w, textCut ? kCut : "");
    if (n < 0) {
        line[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(n) < size ? static_cast<std::size_t>(n) : size - 1;
}

} // namespace common
