#include "filelist/AddRefusals.h"

#include "platform/FileOps.h"

#include <algorithm>
#include <cctype>

namespace tarn {

std::string PathRefusal(const std::string& path) {
    if (path.find('\0') != std::string::npos) {
        std::string shown;
        for (const char c : path) {
            shown += c == '\0' ? std::string("\\0") : std::string(1, c);
        }
        return "The file cannot be added: its path holds a NUL character:\n" + shown;
    }
    if (!path.starts_with('/')) {
        return "The file cannot be added: its path is not a full path:\n" + path;
    }
    return {};
}

bool NameTheSameFile(const std::string& one, const std::string& other) {
    const Result<platform::FileInfo> first = platform::InspectName(one);
    const Result<platform::FileInfo> second = platform::InspectName(other);
    if (!first || !second) {
        return false;
    }
    const auto caseless = [](unsigned char a, unsigned char b) {
        return std::tolower(a) == std::tolower(b);
    };
    return first->identity == second->identity ||
           (std::ranges::equal(one, other, caseless) &&
            first->identity.device == second->identity.device && first->size == second->size &&
            first->modified == second->modified);
}

std::string ListFullText(const std::vector<std::string>& refused) {
    constexpr std::size_t kNamed = 5;
    std::string text = "The list is full: at most 99 files can be encoded in one job.";
    if (refused.size() < 2) {
        return text;
    }
    text += "\nThese " + std::to_string(refused.size()) + " files were not added:";
    for (std::size_t i = 0; i < refused.size() && i < kNamed; ++i) {
        text += "\n" + refused[i];
    }
    if (refused.size() > kNamed) {
        text += "\nand " + std::to_string(refused.size() - kNamed) + " more.";
    }
    return text;
}

} // namespace tarn
