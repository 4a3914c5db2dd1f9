#include "shell/HelpFile.h"

#include "platform/FileOps.h"
#include "shell/AppInfo.h"

#include <filesystem>

namespace tarn {

std::string HelpFilePath(const std::string& programFolder) {
    const std::filesystem::path folder(programFolder);
    std::string beside = (folder / kHelpFileName).string();
    if (platform::FileExists(beside)) {
        return beside;
    }
    std::string installed =
        (folder / kInstalledHelpFolder / kHelpFileName).lexically_normal().string();
    if (platform::FileExists(installed)) {
        return installed;
    }
    return beside;
}

} // namespace tarn
