#include "shell/modGeneral.h"

namespace tarn {

void RemoveSystemMenuItems(platform::WindowHost& window, const std::array<bool, 7>& flags) {
    for (int position = 6; position >= 0; --position) {
        if (flags[static_cast<std::size_t>(position)]) {
            window.DeleteWindowMenuItem(position);
        }
    }
}

std::string ChangeExtension(const std::string& path, const std::string& extension) {
    const auto nameStart = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    const bool nameHasDot =
        dot != std::string::npos && (nameStart == std::string::npos || dot > nameStart);
    // A leading dot marks a hidden file, not an extension.
    const bool leadingDot =
        nameHasDot && dot == (nameStart == std::string::npos ? 0 : nameStart + 1);
    if (!nameHasDot || leadingDot) {
        return path + "." + extension;
    }
    return path.substr(0, dot + 1) + extension;
}

} // namespace tarn
