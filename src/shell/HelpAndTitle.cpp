// The help button, the two contact links and the painted title.
#include "shell/AppInfo.h"
#include "shell/HelpFile.h"
#include "shell/LogFont.h"
#include "shell/RotateText.h"
#include "shell/frmMain.h"

namespace tarn {

void frmMain::cmdHelp_Click() {
    platform_.desktop.ShowHelp(HelpFilePath(platform_.desktop.ProgramFolder()));
}

void frmMain::lblEMail_Click() {
    platform_.desktop.ShellOpen("open", std::string("mailto:") + kContactEmail,
                                platform::ShowCommand::Show);
}

void frmMain::lblWWW_Click() {
    platform_.desktop.ShellOpen("open", kWebSite, platform::ShowCommand::Normal);
}

void frmMain::Form_Paint(platform::PaintSurface& target) {
    constexpr float kTitleLeft = 100;
    constexpr float kTitleTop = 19;
    RotateText(platform_.notifier, platform_.desktop, target, kAppTitle, "Times New Roman",
               kBooleanTrue, kBooleanFalse, 19, 0, static_cast<std::int32_t>(forms::kWhite),
               static_cast<std::int32_t>(forms::Rgb(128, 128, 128)),
               static_cast<std::int32_t>(forms::kBlack), kTitleLeft, kTitleTop, 1);
}

} // namespace tarn
