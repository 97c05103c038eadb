// The station's stored record: calibration, operator area, current material.
// Its three blocks are written back to back into Kest.cfg (3308 bytes); the
// material record alone is a ".rec" file (1304 bytes).  Every field sits at a
// fixed offset, little-endian, doubles in IEEE-754; reserved bytes are kept as
// they were read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace station {

constexpr std::size_t kTextSize = 100;
using Text100 = std::array<char, kTextSize>;

struct StationBlock {
    static constexpr std::size_t kSize = 1504;
    Text100 MaterialName{};
    Text100 SpareText{};
    std::array<uint8_t, 400> reserved200{};
    double EdgePosM = 0;
    double EdgePosN = 0;
    double CalMmPerPixel = 0;
    double MoveX = 0;
    double StdLength = 0;
    double InitMoveX = 0;
    double StdRingPosition = 0;
    double StdDiameter = 0;
    std::array<double, 4> DiameterMmPerPixel{};
    std::array<uint8_t, 704> reserved696{};
    uint8_t AutoSaveOk = 0; // one byte, non-zero true
    uint8_t AutoSaveNg = 0;
    std::array<uint8_t, 102> reserved1402{};
};

struct OperatorBlock {
    static constexpr std::size_t kSize = 500;
    int32_t LoginWord0 = 0; // operator library's word; pseudo-random 0..255 by default
    uint32_t OperatorRights = 0;
    int32_t LoginWord8 = 1; // operator library's word
    int32_t LanguageIndex = 0;
    std::array<std::array<char, 20>, 10> LoginTexts{};
    Text100 LoginText216{};
    Text100 LoginText316{};
    uint32_t WindowFlags = 0;
    std::array<uint8_t, 80> reserved420{};
};

struct MaterialRecord {
    static constexpr std::size_t kSize = 1304;
    int32_t OkCount = 0;
    int32_t NgCount = 0;
    int32_t DiameterRangeX1 = 0;
    int32_t DiameterRangeX2 = 0;
    std::array<uint8_t, 384> reserved16{};
    double OffsetX = 0;
    std::array<uint8_t, 24> reserved408{};
    double UpTol = 0;
    double LowTol = 0;
    double DrillLength = 0;
    double DrillLengthUpTol = 0;
    double DrillLengthLowTol = 0;
    double Diameter = 0;
    double DiameterUpTol = 0;
    double DiameterLowTol = 0;
    std::array<uint8_t, 8> reserved496{};
    double DiameterOffset = 0;
    double DrillLengthOffset = 0;
    double RingPosition = 0;
    std::array<uint8_t, 672> reserved528{};
    uint8_t DiameterAtGreenLine = 0; // one byte, non-zero true
    std::array<uint8_t, 103> reserved1201{};
};

constexpr std::size_t kParameterFileSize =
    StationBlock::kSize + OperatorBlock::kSize + MaterialRecord::kSize;
static_assert(kParameterFileSize == 3308);
constexpr std::size_t kMaterialOffset = StationBlock::kSize + OperatorBlock::kSize;
static_assert(kMaterialOffset == 2004);

using StationBytes = std::array<uint8_t, StationBlock::kSize>;
using OperatorBytes = std::array<uint8_t, OperatorBlock::kSize>;
using MaterialBytes = std::array<uint8_t, MaterialRecord::kSize>;

StationBytes Encode(const StationBlock& b);
OperatorBytes Encode(const OperatorBlock& b);
MaterialBytes Encode(const MaterialRecord& b);
void Decode(const StationBytes& bytes, StationBlock& b);
void Decode(const OperatorBytes& bytes, OperatorBlock& b);
void Decode(const MaterialBytes& bytes, MaterialRecord& b);

struct ParameterSet;
// The parameter file's bytes: the three blocks back to back, 3308 bytes.
std::vector<uint8_t> EncodeParameterFile(const ParameterSet& set);

struct ParameterSet {
    StationBlock station;
    OperatorBlock op;
    MaterialRecord material;

    // Defaults of a station that has never saved its record; loginWord is the
    // pseudo-random first word of the operator area (taken modulo 256).
    void SetDefaults(int loginWord);
};

// The parameter set of the open station, published at window construction
// for what reaches it without a window (dialogs, scale conversions); null
// while the station is closed.
ParameterSet* PublishedParameters();
void PublishParameters(ParameterSet* set);

// Copies text into a fixed field, cut to 99 characters, always terminated.
void SetText(Text100& field, const char* text);

// The text of a fixed field: up to its first NUL, never beyond the field,
// whatever the bytes hold.
template <std::size_t N> std::string BoundedText(const std::array<char, N>& field) {
    const void* nul = std::memchr(field.data(), 0, N);
    const std::size_t n =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field.data()) : N;
    return std::string(field.data(), n);
}

// The current material's name (window title, name panel, material file).
inline std::string MaterialNameText(const StationBlock& b) {
    return BoundedText(b.MaterialName);
}

// Where a text of a double-byte code page may be cut at the latest so that
// at most `limit` bytes remain and no character is split: the end of the
// last whole character within the limit.  isLead tells the lead bytes.
template <class IsLead>
std::size_t CharacterBoundary(const char* text, std::size_t size, std::size_t limit,
                              IsLead&& isLead) {
    std::size_t i = 0;
    const std::size_t end = size < limit ? size : limit;
    while (i < end) {
        const std::size_t step = isLead(static_cast<uint8_t>(text[i])) ? 2 : 1;
        if (i + step > end)
            break;
        i += step;
    }
    return i;
}

// A field that holds no NUL is cut to fit with its terminator, at a
// character boundary; a terminated field keeps every byte as it is.
template <std::size_t N, class IsLead>
void TerminateField(std::array<char, N>& field, IsLead&& isLead) {
    if (std::memchr(field.data(), 0, N))
        return;
    const std::size_t keep = CharacterBoundary(field.data(), N, N - 1, isLead);
    std::memset(field.data() + keep, 0, N - keep);
}

} // namespace station
