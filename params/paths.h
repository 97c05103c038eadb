// The station's paths, all built from the working directory captured once
// when the station opens ("%s\%s", at most 99 characters each).
#pragma once

#include <optional>
#include <string>

namespace station {

constexpr std::size_t kPathMaxChars = 99;

class StationPaths {
  public:
    StationPaths() = default;
    explicit StationPaths(std::string workingDirectory) : dir_(std::move(workingDirectory)) {}

    const std::string& WorkingDirectory() const { return dir_; }
    // dir + "\" + name; nothing when the result does not fit 99 characters.
    std::optional<std::string> Join(const std::string& name) const;
    std::optional<std::string> ParameterFilePath() const { return Join("Kest.cfg"); }
    std::optional<std::string> ConfigDirectory() const { return Join("CONFIG"); }
    std::optional<std::string> ImageDirectory() const { return Join("IMG"); }
    std::optional<std::string> SettingsFilePath() const { return Join("Kest.INI"); }

  private:
    std::string dir_;
};

} // namespace station
