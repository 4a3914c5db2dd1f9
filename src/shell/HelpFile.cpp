#include "shell/HelpFile.h"

#include "platform/FileOps.h"
#include "shell/AppInfo.h"

#include <filesystem>

namespace tarn {

namespace {

bool Present(const std::string& path) {
    const Result<bool> there = platform::Exists(path);
    return there && *there;
}

} // namespace

std::string HelpFilePath(const std::string& programFolder) {
    const std::filesystem::path folder(programFolder);
    std::string beside = (folder / kHelpFileName).string();
    if (Present(beside)) {
        return beside;
    }
    std::string installed =
        (folder / kInstalledHelpFolder / kHelpFileName).lexically_normal().string();
    if (Present(installed)) {
        return installed;
    }
    return beside;
}

} // namespace tarn
