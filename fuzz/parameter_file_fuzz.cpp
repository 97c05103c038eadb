// Parameter files and material names from arbitrary bytes: a file of any
// length loads without reading past its end, a record written again gives
// back exactly the bytes it was loaded from, and the material name taken
// from any path is a prefix of that path's file name.
#include "params/parameter_files.h"
#include "params/parameter_set.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

template <class Block, std::size_t N> void RoundTrip(const uint8_t* data, std::size_t size) {
    std::array<uint8_t, N> bytes{};
    std::memcpy(bytes.data(), data, size < N ? size : N);
    Block block;
    station::Decode(bytes, block);
    if (station::Encode(block) != bytes)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    RoundTrip<station::StationBlock, station::StationBlock::kSize>(data, size);
    RoundTrip<station::OperatorBlock, station::OperatorBlock::kSize>(data, size);
    RoundTrip<station::MaterialRecord, station::MaterialRecord::kSize>(data, size);

    const std::string path(reinterpret_cast<const char*>(data), size);
    const station::Cp950 cp950;
    const std::string name = station::MaterialNameFromPath(path, cp950);
    if (name.size() > path.size() || path.find(name) == std::string::npos)
        std::abort();
    return 0;
}
