// Loading and saving the parameter set: Kest.cfg (all three blocks) and the
// material records "CONFIG\<name>.rec" (the material block alone).
#pragma once

#include "params/parameter_set.h"
#include "params/paths.h"
#include "station/ports.h"

#include <optional>
#include <string>

namespace station {

constexpr const char* kFileCaption = "file";
constexpr const char* kWriteError = "Parameter Write error...";
// Followed by a new line and the full path.
constexpr const char* kReadError = "Parameter Read error...\n";

class ParameterFiles {
  public:
    ParameterFiles(ParameterSet& set, const StationPaths& paths, FileStore& files,
                   PromptsPort& prompts, const CodePagePort& codePage)
        : set_(set), paths_(paths), files_(files), prompts_(prompts), codePage_(codePage) {}

    // Each reports its own failure to the operator; a failed load leaves the
    // record as it was, a failed save leaves the file as it was.  An empty
    // path stands for the default (ParameterFilePath).
    void LoadParameterFile(const std::string& path = {});
    void SaveParameterFile(const std::string& path = {});
    // False, with the read message shown and the record kept as it was,
    // when the file cannot be read.
    bool LoadMaterialRecord(const std::string& path);
    // False, with the write message shown, when the record was not written.
    bool SaveMaterialRecord(const std::string& path);

    // Save material: CONFIG\<MaterialName>.rec, then Kest.cfg.
    void SaveMaterial();
    // MaterialName := the chosen file's name before its last ".".
    void TakeMaterialName(const std::string& path);

  private:
    std::string ParameterPath(const std::string& path) const;
    void ReportRead(const std::string& path);
    void ReportWrite();
    auto LeadBytes() const {
        return [this](uint8_t b) { return codePage_.IsLeadByte(b); };
    }

    ParameterSet& set_;
    const StationPaths& paths_;
    FileStore& files_;
    PromptsPort& prompts_;
    const CodePagePort& codePage_;
};

// The material name of a path: the file-name part (after the last "\" or
// ":"), cut before its last "."; empty when it has no ".".  Only lead and
// single bytes count as "\", ":" or ".": a trail byte of the double-byte
// code page never does.
std::string MaterialNameFromPath(const std::string& path, const CodePagePort& codePage);

// Code page 950 (Big5): lead bytes 0x81..0xFE.
class Cp950 : public CodePagePort {
  public:
    bool IsLeadByte(uint8_t b) const override { return b >= 0x81 && b <= 0xFE; }
};

} // namespace station
