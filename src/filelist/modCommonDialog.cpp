#include "filelist/modCommonDialog.h"

namespace tarn {

std::string ShowOpenDialog(platform::OpenDialog& dialog, const std::string& title,
                           const std::string& initialFileName, const std::string& filterDescription,
                           const std::string& filterPattern, const std::string& initialFolder,
                           const std::string& defaultExtension) {
    return dialog.ShowOpen({title, initialFileName, filterDescription, filterPattern, initialFolder,
                            defaultExtension});
}

} // namespace tarn
