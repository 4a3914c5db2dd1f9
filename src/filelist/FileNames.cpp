#include "filelist/FileNames.h"

#include "common/PathParts.h"

#include <algorithm>
#include <utility>

namespace tarn {

std::string CleanFileName(const std::string& fileName) {
    std::string cleaned = fileName;
    std::erase(cleaned, ' ');
    std::erase(cleaned, '-');
    return cleaned;
}

SplitPathResult SplitPath(const std::string& path) {
    std::string fileName = FileName(path);
    return {path.substr(0, path.size() - fileName.size()), std::move(fileName)};
}

std::string FormatFileSize(std::uint64_t byteCount) {
    const std::string digits = std::to_string(byteCount);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped.push_back(',');
        }
        grouped.push_back(digits[i]);
    }
    return grouped;
}

} // namespace tarn
