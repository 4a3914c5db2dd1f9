// The window's start-up, the help and contact links, the painted title and Exit.
#include "shell/frmMain.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <tuple>

namespace tarn {
namespace {

using Names = std::vector<std::string>;

// Close and the separator above it go from the window's menu; the contact links go to the
// desktop; Help opens the help file beside the program, else the installed one, else the path
// beside.
TEST(ShellTest, StartsWithoutCloseAndOpensLinksAndTheHelpFile) {
    testing::TestPlatform platform;
    frmMain form{platform.Bundle()};
    form.Form_Load();
    EXPECT_EQ(platform.deletedMenuItems, (std::vector<int>{6, 5}));
    form.lblEMail.Click.Raise();
    form.lblWWW.Click.Raise();
    const auto& shell = platform.shellRequests;
    ASSERT_EQ(shell.size(), 2U);
    EXPECT_EQ(shell[0].verb + " " + shell[0].target + " " + shell[1].verb + " " + shell[1].target,
              "open mailto:tarn@example.org open https://tarn.example.org/");
    EXPECT_EQ(std::tuple(shell[0].show, shell[1].show),
              std::tuple(platform::ShowCommand::Show, platform::ShowCommand::Normal));

    testing::TempDir dir;
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
TEST(ShellTest, ExitsAndEndsBesideARunningInstance) {
    testing::TestPlatform platform;
    frmMain form{platform.Bundle()};
    form.Form_Load();
    form.cmdExit.Click.Raise();
    EXPECT_EQ(platform.unloadCalls, 1);
    EXPECT_FALSE(form.Loaded());
    EXPECT_TRUE(platform.interactions.empty());

    testing::TestPlatform secondPlatform;
    secondPlatform.anotherInstance = true;
    frmMain second{secondPlatform.Bundle()};
    second.Form_Load();
    EXPECT_FALSE(second.Loaded());
    EXPECT_EQ(secondPlatform.interactions,
              (Names{"beep", "Tarn MP3 Encoder (x): The application is already running!"}));
    EXPECT_EQ(secondPlatform.unloadCalls, 1);
    EXPECT_TRUE(secondPlatform.deletedMenuItems.empty());
}

} // namespace
} // namespace tarn
