#include "filelist/AddRefusals.h"

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

} // namespace tarn
