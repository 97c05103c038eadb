// One language's text table, read from a ".lng" file a translator can edit:
//   ; comment
//   [Language]
//   Identifier=1
//   Name=English
//   [Main Menu]
//   File_=&File
// Sections and keys are matched without regard to ASCII case; spaces around
// keys and values are dropped, and a value in double quotes keeps its spaces.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace station {

class TextTable {
  public:
    // Parses the text of a table; lines that are not understood are skipped.
    static TextTable Parse(std::string_view text);

    // The text for (section, key), or nothing when the table lacks it.
    const std::string* Find(std::string_view section, std::string_view key) const;

    // Identifier from [Language] Identifier=..., when the table names one.
    std::optional<int32_t> Identifier() const;
    // Display name from [Language] Name=..., empty when missing.
    std::string Name() const;

    std::size_t size() const { return texts_.size(); }

    // Converts every text with the given function (for example UTF-8 to the
    // system's code page); keys stay as they are.
    template <class F> void ConvertTexts(F&& convert) {
        for (auto& [k, v] : texts_)
            v = convert(v);
    }

  private:
    static std::string MakeKey(std::string_view section, std::string_view key);
    std::map<std::string, std::string> texts_;
};

} // namespace station
