#pragma once

#include "platform/Platform.h"

#include <string>

namespace tarn {

// Shows the open-file dialog; the chosen path, or an empty string when the user cancels.
std::string ShowOpenDialog(platform::OpenDialog& dialog, const std::string& title,
                           const std::string& initialFileName, const std::string& filterDescription,
                           const std::string& filterPattern, const std::string& initialFolder,
                           const std::string& defaultExtension);

} // namespace tarn
