#include "shell/frmMain.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using testing::TestPlatform;

class StartUpTest : public ::testing::Test {
protected:
    TestPlatform platform;
    frmMain form{platform.Bundle()};
};

TEST_F(StartUpTest, LoadSelectsTheDefaultsAndEmptiesTheBars) {
    form.Form_Initialize();
    form.Form_Load();
    ASSERT_TRUE(form.Loaded());
    EXPECT_EQ(form.cmbBitrate.Text(), "128");
    EXPECT_EQ(form.cmbMode.Text(), "Stereo");
    EXPECT_EQ(form.cmbQuality.Text(), "Normal");
    for (forms::CheckBox* box : {&form.chkFullPath, &form.chkCRC, &form.chkPrivateBit,
                                 &form.chkCopyrightBit, &form.chkOriginalBit, &form.chkDelete}) {
        EXPECT_EQ(box->Value(), forms::Unchecked) << box->Name();
    }
    EXPECT_EQ(form.lblProgres.Width(), 0);
    EXPECT_EQ(form.lblTotal.Width(), 0);
    EXPECT_EQ(form.Caption, "Tarn MP3 Encoder");
    EXPECT_EQ(form.SSTab1.Tab(), 0);
    EXPECT_EQ(platform.deletedMenuItems, (std::vector<int>{6, 5}));
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_EQ(platform.Beeps(), 0);
    for (forms::Timer* timer : form.Timers()) {
        EXPECT_FALSE(timer->Enabled()) << timer->Name();
    }
    // The bottom row spans the window, the two buttons overlapping by one pixel.
    EXPECT_EQ(form.cmdHelp.Left() + form.cmdHelp.Width(), form.cmdExit.Left() + 15);
    EXPECT_EQ(form.cmdExit.Left() + form.cmdExit.Width(), 5655);
}

TEST_F(StartUpTest, ASecondInstanceBeepsSaysSoAndEnds) {
    platform.anotherInstance = true;
    form.Form_Initialize();
    form.Form_Load();
    EXPECT_FALSE(form.Loaded());
    EXPECT_EQ(platform.Interactions(),
              (std::vector<std::string>{"beep", "message:The application is already running!"}));
    EXPECT_EQ(platform.Messages().at(0),
              (platform::MessageBoxRequest{"The application is already running!",
                                           platform::MessageIcon::Critical, "Tarn MP3 Encoder"}));
    EXPECT_EQ(platform.unloadCalls, 1);
    EXPECT_TRUE(platform.deletedMenuItems.empty());
}

TEST_F(StartUpTest, HoverGivesFocusOnlyToEnabledControlsOfTheTable) {
    form.Form_Load();
    form.cmdGo.MouseMove.Raise();
    EXPECT_EQ(form.ActiveControl(), nullptr);
    form.cmdOpen.MouseMove.Raise();
    EXPECT_EQ(form.ActiveControl(), &form.cmdOpen);
    form.chkDelete.MouseMove.Raise();
    EXPECT_EQ(form.ActiveControl(), &form.chkDelete);
    // Lists, drop-down lists and labels do not take the focus on hover.
    form.lstOpenFileName.MouseMove.Raise();
    form.cmbBitrate.MouseMove.Raise();
    form.Label20.MouseMove.Raise();
    EXPECT_EQ(form.ActiveControl(), &form.chkDelete);
}

TEST_F(StartUpTest, ExitUnloadsWithoutAsking) {
    form.Form_Load();
    form.cmdExit.Click.Raise();
    EXPECT_EQ(platform.unloadCalls, 1);
    EXPECT_TRUE(platform.Messages().empty());
}

} // namespace
} // namespace tarn
