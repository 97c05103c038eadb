#include "params/parameter_files.h"

#include <algorithm>
#include <cstring>

namespace station {
namespace {

// The file's bytes over the block; what the file does not reach keeps the
// block's own values.
template <class Block, std::size_t N>
void ReadBlock(Block& block, const std::vector<uint8_t>& file, std::size_t offset) {
    if (file.size() <= offset)
        return;
    std::array<uint8_t, N> bytes = Encode(block);
    const std::size_t n = std::min(N, file.size() - offset);
    std::memcpy(bytes.data(), file.data() + offset, n);
    Decode(bytes, block);
}

bool FitsPathBuffer(const std::string& path) {
    return !path.empty() && path.size() <= kPathMaxChars;
}

} // namespace

std::string ParameterFiles::ParameterPath(const std::string& path) const {
    if (!path.empty())
        return path;
    // A working directory too long for the 100-byte path buffer gives a path
    // that the checks below refuse.
    return paths_.ParameterFilePath().value_or(paths_.WorkingDirectory() + "\\Kest.cfg");
}

void ParameterFiles::ReportRead(const std::string& path) {
    prompts_.Message(std::string(kReadError) + path, kFileCaption, PromptsPort::Kind::Warning);
}

void ParameterFiles::ReportWrite() {
    prompts_.Message(kWriteError, kFileCaption, PromptsPort::Kind::Warning);
}

void ParameterFiles::LoadParameterFile(const std::string& given) {
    const std::string path = ParameterPath(given);
    const auto file = FitsPathBuffer(path) ? files_.Read(path, kParameterFileSize) : std::nullopt;
    if (!file) {
        ReportRead(path);
        return;
    }
    ReadBlock<StationBlock, StationBlock::kSize>(set_.station, *file, 0);
    ReadBlock<OperatorBlock, OperatorBlock::kSize>(set_.op, *file, StationBlock::kSize);
    ReadBlock<MaterialRecord, MaterialRecord::kSize>(set_.material, *file, kMaterialOffset);
    // The station shows and uses the material name; a file may hold it
    // without a terminator.  The texts that only the operator library or
    // nobody reads keep the file's bytes.
    TerminateField(set_.station.MaterialName, LeadBytes());
}

void ParameterFiles::SaveParameterFile(const std::string& given) {
    const std::string path = ParameterPath(given);
    const std::vector<uint8_t> bytes = EncodeParameterFile(set_);
    if (!FitsPathBuffer(path) || !files_.Replace(path, bytes))
        ReportWrite();
}

bool ParameterFiles::LoadMaterialRecord(const std::string& path) {
    const auto file =
        FitsPathBuffer(path) ? files_.Read(path, MaterialRecord::kSize) : std::nullopt;
    if (!file) {
        ReportRead(path);
        return false;
    }
    ReadBlock<MaterialRecord, MaterialRecord::kSize>(set_.material, *file, 0);
    return true;
}

bool ParameterFiles::SaveMaterialRecord(const std::string& path) {
    const auto block = Encode(set_.material);
    if (!FitsPathBuffer(path) || !files_.Replace(path, {block.begin(), block.end()})) {
        ReportWrite();
        return false;
    }
    return true;
}

void ParameterFiles::SaveMaterial() {
    const auto dir = paths_.ConfigDirectory();
    const std::string path = (dir ? *dir : paths_.WorkingDirectory() + "\\CONFIG") + "\\" +
                             MaterialNameText(set_.station) + ".rec";
    SaveMaterialRecord(path);
    SaveParameterFile();
}

void ParameterFiles::TakeMaterialName(const std::string& path) {
    // A name longer than the field is cut to 99 bytes at a character boundary.
    std::string name = MaterialNameFromPath(path, codePage_);
    name.resize(CharacterBoundary(name.data(), name.size(), kTextSize - 1, LeadBytes()));
    SetText(set_.station.MaterialName, name.c_str());
}

std::string MaterialNameFromPath(const std::string& path, const CodePagePort& codePage) {
    // Walk the text character by character, so that a trail byte (which in
    // Big5 can be 0x5C "\") is never taken for a separator.
    std::size_t nameStart = 0;
    std::size_t lastDot = std::string::npos;
    for (std::size_t i = 0; i < path.size();) {
        const auto b = static_cast<uint8_t>(path[i]);
        if (codePage.IsLeadByte(b) && i + 1 < path.size()) {
            i += 2;
            continue;
        }
        if (b == '\\' || b == ':') {
            nameStart = i + 1;
            lastDot = std::string::npos;
        } else if (b == '.') {
            lastDot = i;
        }
        ++i;
    }
    if (lastDot == std::string::npos)
        return {};
    return path.substr(nameStart, lastDot - nameStart);
}

} // namespace station
