#pragma once

#include <string>

namespace tarn {

// Where an installed program finds its help file, relative to the program's folder.
inline constexpr const char* kInstalledHelpFolder = "../share/tarnme";

// The help file beside the program; when only an installed copy exists, that one.
std::string HelpFilePath(const std::string& programFolder);

} // namespace tarn
