#pragma once

#include "platform/Platform.h"

#include <array>
#include <string>

namespace tarn {

// Deletes the window-menu items whose flag is set, from position 6 down to 0 so that the
// positions still to be deleted stay valid.
void RemoveSystemMenuItems(platform::WindowHost& window, const std::array<bool, 7>& flags);

// The path with the extension of its file name replaced by `extension`, or with "." and
// `extension` appended when the file name has none. The folder never changes.
std::string ChangeExtension(const std::string& path, const std::string& extension);

} // namespace tarn
