#include "libs/language/text_table.h"

#include <charconv>

namespace station {
namespace {

std::string_view Trim(std::string_view s) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace

std::string TextTable::MakeKey(std::string_view section, std::string_view key) {
    // A NUL cannot occur in a section or key that came from a text, so it
    // separates the two unambiguously.
    std::string k = Lower(Trim(section));
    k.push_back('\0');
    k += Lower(Trim(key));
    return k;
}

TextTable TextTable::Parse(std::string_view text) {
    TextTable table;
    // A byte-order mark at the start of the file is not part of the text.
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::string section;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close != std::string_view::npos)
                section = std::string(Trim(line.substr(1, close - 1)));
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || section.empty())
            continue;
        const std::string_view key = Trim(line.substr(0, eq));
        std::string_view value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (key.empty())
            continue;
        table.texts_[MakeKey(section, key)] = std::string(value);
    }
    return table;
}

const std::string* TextTable::Find(std::string_view section, std::string_view key) const {
    const auto it = texts_.find(MakeKey(section, key));
    return it == texts_.end() ? nullptr : &it->second;
}

std::optional<int32_t> TextTable::Identifier() const {
    const std::string* v = Find("Language", "Identifier");
    if (!v)
        return std::nullopt;
    int32_t id = 0;
    const auto [ptr, ec] = std::from_chars(v->data(), v->data() + v->size(), id);
    if (ec != std::errc() || ptr != v->data() + v->size())
        return std::nullopt;
    return id;
}

std::string TextTable::Name() const {
    const std::string* v = Find("Language", "Name");
    return v ? *v : std::string();
}

} // namespace station
