// The window's start-up, hover focus, Exit, the help and contact links and the painted title.
#include "shell/frmMain.h"
#include "support/JobFixture.h"
#include "support/RecordingPaintSurface.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace tarn {
namespace {

using testing::Names;

class ShellTest : public ::testing::Test {
protected:
    testing::TestPlatform platform;
    frmMain form{platform.Bundle()};
};

TEST_F(ShellTest, StartsWithTheDefaultsOrEndsBesideARunningInstance) {
    form.Form_Initialize();
    form.Form_Load();
    ASSERT_TRUE(form.Loaded());
    EXPECT_EQ(form.cmbBitrate.Text(), "128");
    EXPECT_EQ(form.cmbMode.Text(), "Stereo");
    EXPECT_EQ(form.cmbQuality.Text(), "Normal");
    EXPECT_EQ(form.Caption, "Tarn MP3 Encoder");
    EXPECT_EQ(form.SSTab1.Tab(), 0);
    // Close and the separator above it go; nothing is said.
    EXPECT_EQ(platform.deletedMenuItems, (std::vector<int>{6, 5}));
    EXPECT_TRUE(platform.Interactions().empty());
    EXPECT_EQ(form.lblProgres.Width() + form.lblTotal.Width(), 0);
    // The bottom row spans the window, the two buttons overlapping by one pixel.
    EXPECT_EQ(form.cmdHelp.Left() + form.cmdHelp.Width(), form.cmdExit.Left() + 15);
    EXPECT_EQ(form.cmdExit.Left() + form.cmdExit.Width(), 5655);
    for (forms::Timer* timer : form.Timers()) {
        EXPECT_FALSE(timer->Enabled()) << timer->Name();
    }
    EXPECT_EQ(form.Timer1.Interval(), 350);
    EXPECT_EQ(form.tmrProgress.Interval(), 200);
    EXPECT_EQ(form.tmrTotal.Interval(), 350);

    testing::TestPlatform secondPlatform;
    secondPlatform.anotherInstance = true;
    frmMain second{secondPlatform.Bundle()};
    second.Form_Load();
    EXPECT_FALSE(second.Loaded());
    EXPECT_EQ(testing::Seen(secondPlatform),
              (Names{"beep", "Tarn MP3 Encoder: The application is already running!"}));
    EXPECT_EQ(secondPlatform.Messages()[0].Icon, platform::MessageIcon::Critical);
    EXPECT_EQ(secondPlatform.unloadCalls, 1);
    EXPECT_TRUE(secondPlatform.deletedMenuItems.empty());
}

TEST_F(ShellTest, HoverFocusesEnabledButtonsAndCheckBoxesOnlyAndExitAsksNothing) {
    form.Form_Load();
    form.cmdGo.MouseMove.Raise();
    EXPECT_EQ(form.ActiveControl(), nullptr);
    for (forms::Control* control : form.HoverFocusControls()) {
        control->SetEnabled(true);
        control->MouseMove.Raise();
        EXPECT_EQ(form.ActiveControl(), control) << control->Name();
    }
    for (forms::Control* control : {static_cast<forms::Control*>(&form.lstOpenFileName),
                                    static_cast<forms::Control*>(&form.cmbBitrate),
                                    static_cast<forms::Control*>(&form.Label20)}) {
        control->MouseMove.Raise();
    }
    EXPECT_EQ(form.ActiveControl(), &form.cmdExit);
    form.cmdExit.Click.Raise();
    EXPECT_EQ(platform.unloadCalls, 1);
    EXPECT_FALSE(form.Loaded());
    EXPECT_TRUE(platform.Interactions().empty());
}

TEST_F(ShellTest, HelpAndLinksGoToTheDesktopAndTheTitleIsPaintedInPixels) {
    form.Form_Load();
    form.lblEMail.Click.Raise();
    form.lblWWW.Click.Raise();
    ASSERT_EQ(platform.shellRequests.size(), 2U);
    EXPECT_EQ(platform.shellRequests[0].verb, "open");
    EXPECT_EQ(platform.shellRequests[0].target, "mailto:tarn@example.org");
    EXPECT_EQ(platform.shellRequests[0].show, platform::ShowCommand::Show);
    EXPECT_EQ(platform.shellRequests[1].target, "https://tarn.example.org/");
    EXPECT_EQ(platform.shellRequests[1].show, platform::ShowCommand::Normal);

    // The help file beside the program, else the installed one, else the path beside.
    testing::TempDir dir;
    platform.programFolder = dir.File("bin");
    const std::filesystem::path installed = dir.Path() / "share" / "tarnme" / "tarnme.chm";
    const std::string beside = dir.File("bin/tarnme.chm");
    form.cmdHelp.Click.Raise();
    std::filesystem::create_directories(installed.parent_path());
    std::ofstream(installed) << "ITSF";
    form.cmdHelp.Click.Raise();
    std::filesystem::create_directories(dir.Path() / "bin");
    std::ofstream(beside) << "ITSF";
    form.cmdHelp.Click.Raise();
    EXPECT_EQ(platform.helpRequests, (Names{beside, installed.string(), beside}));

    // At 120 dots per inch: white down and right, gray up and left, black on top, each time.
    platform.twipsPerPixelY = 12.0;
    testing::RecordingPaintSurface surface;
    form.Form_Paint(surface);
    form.Form_Paint(surface);
    Names drawn;
    for (const auto& print : surface.prints) {
        drawn.push_back(std::to_string(print.color) + "@" + std::to_string(print.x) + "," +
                        std::to_string(print.y) + " " + print.font.FaceName() + " " +
                        std::to_string(print.font.lfHeight) + " " + print.text);
    }
    const Names once{"16777215@101.000000,20.000000 Times New Roman Bold -32 Tarn MP3 Encoder",
                     "8421504@99.000000,18.000000 Times New Roman Bold -32 Tarn MP3 Encoder",
                     "0@100.000000,19.000000 Times New Roman Bold -32 Tarn MP3 Encoder"};
    Names twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(drawn, twice);
    EXPECT_TRUE(platform.Messages().empty());
}

} // namespace
} // namespace tarn
