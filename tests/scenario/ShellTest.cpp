// The window's start-up, the help and contact links, the painted title and Exit.
#include "shell/frmMain.h"
#include "support/RecordingPaintSurface.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <tuple>

namespace tarn {
namespace {

using Names = std::vector<std::string>;

TEST(ShellTest, StartsLinksPaintsAndExitsOrEndsBesideARunningInstance) {
    testing::TestPlatform platform;
    frmMain form{platform.Bundle()};
    form.Form_Load();
    EXPECT_EQ(form.cmbBitrate.Text() + " " + form.cmbMode.Text() + " " + form.cmbQuality.Text(),
              "128 Stereo Normal");
    EXPECT_EQ(form.Caption, "Tarn MP3 Encoder");
    // Close and the separator above it go.
    EXPECT_EQ(platform.deletedMenuItems, (std::vector<int>{6, 5}));
    EXPECT_EQ(form.lblProgres.Width() + form.lblTotal.Width(), 0);
    // The bottom row spans the window, the two buttons overlapping by one pixel.
    EXPECT_EQ(form.cmdHelp.Left() + form.cmdHelp.Width(), form.cmdExit.Left() + 15);
    EXPECT_EQ(form.cmdExit.Left() + form.cmdExit.Width(), 5655);
    std::vector<int> intervals;
    for (forms::Timer* timer : form.Timers()) {
        EXPECT_FALSE(timer->Enabled()) << timer->Name();
        intervals.push_back(timer->Interval());
    }
    EXPECT_EQ(intervals, (std::vector<int>{350, 200, 350}));

    form.lblEMail.Click.Raise();
    form.lblWWW.Click.Raise();
    const auto& shell = platform.shellRequests;
    ASSERT_EQ(shell.size(), 2U);
    EXPECT_EQ(shell[0].verb + " " + shell[0].target + " " + shell[1].verb + " " + shell[1].target,
              "open mailto:tarn@example.org open https://tarn.example.org/");
    EXPECT_TRUE(shell[0].show == platform::ShowCommand::Show &&
                shell[1].show == platform::ShowCommand::Normal);

    // The help file beside the program, else the installed one, else the path beside.
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

    // At 120 dots per inch: white down and right, gray up and left, black on top, each time.
    platform.twipsPerPixelY = 12.0;
    testing::RecordingPaintSurface surface;
    form.Form_Paint(surface);
    form.Form_Paint(surface);
    Names drawn;
    for (const auto& print : surface.prints) {
        drawn.push_back(std::to_string(print.color) + "@" + std::to_string(int(print.x)) + "," +
                        std::to_string(int(print.y)) + " " + print.font.FaceName() + " " +
                        std::to_string(print.font.lfHeight) + " " + print.text);
    }
    const std::string font = " Times New Roman Bold -32 Tarn MP3 Encoder";
    Names once{"16777215@101,20" + font, "8421504@99,18" + font, "0@100,19" + font};
    EXPECT_EQ(drawn, (Names{once[0], once[1], once[2], once[0], once[1], once[2]}));

    // Exit asks nothing.
    form.cmdExit.Click.Raise();
    EXPECT_EQ(platform.unloadCalls, 1);
    EXPECT_FALSE(form.Loaded());
    EXPECT_TRUE(platform.interactions.empty());

    // Beside a running instance: files go to it without a word; without files, or when they are
    // not taken, the refusal.
    const Names refusal{"beep", "Tarn MP3 Encoder (x): The application is already running!"};
    const Names files{"/music/b c.wav", "/music/d.wav"};
    for (const auto& [opened, taken, said] : std::vector<std::tuple<Names, bool, Names>>{
             {files, true, {}}, {files, false, refusal}, {{}, true, refusal}}) {
        testing::TestPlatform secondPlatform;
        secondPlatform.anotherInstance = true;
        secondPlatform.handOverTaken = taken;
        frmMain second{secondPlatform.Bundle()};
        second.Form_Load(opened);
        EXPECT_EQ(secondPlatform.interactions, said);
        EXPECT_EQ(secondPlatform.handedOver, std::vector<Names>(opened.empty() ? 0 : 1, opened));
        EXPECT_TRUE(!second.Loaded() && secondPlatform.unloadCalls == 1 &&
                    secondPlatform.deletedMenuItems.empty());
    }
}

} // namespace
} // namespace tarn
