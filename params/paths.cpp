#include "params/paths.h"

namespace station {

std::optional<std::string> StationPaths::Join(const std::string& name) const {
    std::string path = dir_ + "\\" + name;
    if (path.size() > kPathMaxChars)
        return std::nullopt;
    return path;
}

} // namespace station
