#pragma once

#include <cstdint>
#include <string>

namespace tarn {

// The file name with every space and every hyphen removed.
std::string CleanFileName(const std::string& fileName);

struct SplitPathResult {
    std::string folder; // up to and including the last "/", or empty
    std::string fileName;
};
SplitPathResult SplitPath(const std::string& path);

// The byte count in decimal with "," between groups of three digits: 1234567 gives "1,234,567".
std::string FormatFileSize(std::uint64_t byteCount);

} // namespace tarn
