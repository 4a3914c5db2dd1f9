#include "shell/modGeneral.h"

#include "common/PathParts.h"

namespace tarn {

void RemoveSystemMenuItems(platform::WindowHost& window, const std::array<bool, 7>& flags) {
    // From the highest position down, so that the positions still to delete stay valid.
    for (std::size_t position = flags.size(); position-- > 0;) {
        if (flags[position]) {
            window.DeleteWindowMenuItem(static_cast<int>(position));
        }
    }
}

std::string ChangeExtension(const std::string& path, const std::string& extension) {
    const std::size_t nameStart = path.size() - FileName(path).size();
    const std::size_t dot = path.find_last_of('.');
    // A dot before the file name, or leading it (a hidden file), starts no extension.
    if (dot == std::string::npos || dot <= nameStart) {
        return path + "." + extension;
    }
    return path.substr(0, dot + 1) + extension;
}

} // namespace tarn
