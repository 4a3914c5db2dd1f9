// The window's start-up, the help and contact links, the painted title and Exit.
#include "shell/frmMain.h"
#include "support/JobFixture.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <tuple>

namespace tarn {
namespace {

using testing::Names;

class ShellTest : public testing::JobFixture {};

// Close leaves the menu; links go to the desktop; Help opens the file beside, else installed.
TEST_F(ShellTest, StartsWithoutCloseAndOpensLinksAndTheHelpFile) {
    EXPECT_EQ(platform.deletedMenuItems, (std::vector<int>{6, 5}));
    form.lblEMail.Click.Raise();
    form.lblWWW.Click.Raise();
    EXPECT_EQ(platform.shellRequests, (Names{"open mailto:tarn@example.org (show)",
                                             "open https://tarn.example.org/ (normal)"}));

    platform.programFolder = dir.File("bin");
    const std::string installed = dir.File("share/tarnme/tarnme.chm");
    const std::string beside = dir.File("bin/tarnme.chm");
    for (const std::string& made : {std::string(), installed, beside}) {
        if (!made.empty()) {
            std::filesystem::create_directories(std::filesystem::path(made).parent_path());
            std::ofstream(made) << "ITSF";
        }
        form.cmdHelp.Click.Raise();
    }
    EXPECT_EQ(platform.helpRequests, (Names{beside, installed, beside}));
}

// Exit asks nothing; a second instance says so and ends.
TEST_F(ShellTest, ExitsAndEndsBesideARunningInstance) {
    form.cmdExit.Click.Raise();
    EXPECT_EQ(std::tuple(platform.unloadCalls, form.Loaded(), platform.interactions.empty()),
              std::tuple(1, false, true));

    // Beside a running instance files go to it silently, else a refusal; unsure, it says why, ends.
    const Names refusal{"beep", "Tarn MP3 Encoder (x): The application is already running!"};
    const Names files{"/music/b c.wav", "/music/d.wav"};
    const Status noLock = Status::Failure("No lock");
    const Names cannotTell{"Tarn MP3 Encoder (x): The program cannot make sure that it is the only "
                           "one running, and ends without changing any file:\nNo lock."};
    for (const auto& [opened, taken, failure, said] :
         std::vector<std::tuple<Names, bool, Status, Names>>{{files, true, {}, {}},
                                                             {files, false, {}, refusal},
                                                             {{}, true, {}, refusal},
                                                             {files, true, noLock, cannotTell}}) {
        testing::TestPlatform secondPlatform;
        secondPlatform.anotherInstance = true;
        secondPlatform.handOverTaken = taken;
        secondPlatform.instanceFailure = failure;
        frmMain second{secondPlatform.Bundle()};
        second.Form_Load(opened);
        EXPECT_EQ(std::tuple(secondPlatform.interactions, secondPlatform.handedOver.size(),
                             second.Loaded(), secondPlatform.unloadCalls,
                             secondPlatform.deletedMenuItems.empty()),
                  std::tuple(said, opened.empty() || !failure.Ok() ? 0U : 1U, false, 1, true));
    }
}

} // namespace
} // namespace tarn
