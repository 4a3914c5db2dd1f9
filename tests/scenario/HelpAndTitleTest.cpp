#include "shell/HelpFile.h"
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

using testing::RecordingPaintSurface;
using testing::TempDir;
using testing::TestPlatform;

class HelpAndTitleTest : public ::testing::Test {
protected:
    void SetUp() override { form.Form_Load(); }

    TestPlatform platform;
    frmMain form{platform.Bundle()};
};

TEST_F(HelpAndTitleTest, HelpAsksForTheHelpFileBesideTheProgram) {
    platform.programFolder = "/opt/tarn";
    form.cmdHelp.Click.Raise();
    EXPECT_EQ(platform.helpRequests, (std::vector<std::string>{"/opt/tarn/tarnme.chm"}));
    // A missing help file is the viewer's business: the program says nothing of its own.
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_TRUE(platform.shellRequests.empty());
}

TEST_F(HelpAndTitleTest, TheMailLinkOpensANewMessageToTheContactAddress) {
    form.lblEMail.Click.Raise();
    ASSERT_EQ(platform.shellRequests.size(), 1U);
    EXPECT_EQ(platform.shellRequests[0].verb, "open");
    EXPECT_EQ(platform.shellRequests[0].target, "mailto:" + form.lblEMail.Caption());
    EXPECT_EQ(platform.shellRequests[0].target, "mailto:tarn@example.org");
    EXPECT_EQ(platform.shellRequests[0].show, platform::ShowCommand::Show);
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(HelpAndTitleTest, TheWebLinkOpensTheShownAddress) {
    form.lblWWW.Click.Raise();
    ASSERT_EQ(platform.shellRequests.size(), 1U);
    EXPECT_EQ(platform.shellRequests[0].verb, "open");
    EXPECT_EQ(platform.shellRequests[0].target, form.lblWWW.Caption());
    EXPECT_EQ(platform.shellRequests[0].target.rfind("https://", 0), 0U);
    EXPECT_EQ(platform.shellRequests[0].show, platform::ShowCommand::Normal);
    EXPECT_TRUE(platform.helpRequests.empty());
}

struct DpiCase {
    double twipsPerPixel;
    std::int32_t height;
};

class TitlePaintTest : public HelpAndTitleTest, public ::testing::WithParamInterface<DpiCase> {};

TEST_P(TitlePaintTest, EachRepaintDrawsTheEngravedTitleAtTheSamePlace) {
    platform.twipsPerPixelY = GetParam().twipsPerPixel;
    RecordingPaintSurface surface;
    form.Form_Paint(surface);
    form.Form_Paint(surface);
    // White down and right, gray up and left, black on top, in pixels at any resolution.
    const std::vector<std::tuple<float, float, std::uint32_t>> layers{
        {101.0F, 20.0F, 0xFFFFFFU}, {99.0F, 18.0F, 0x808080U}, {100.0F, 19.0F, 0U}};
    std::vector<std::tuple<float, float, std::uint32_t>> drawn;
    for (const auto& print : surface.prints) {
        drawn.emplace_back(print.x, print.y, print.color);
        EXPECT_EQ(print.text, "Tarn MP3 Encoder");
        EXPECT_EQ(print.font.FaceName(), "Times New Roman Bold");
        EXPECT_EQ(print.font.lfHeight, GetParam().height);
    }
    auto twice = layers;
    twice.insert(twice.end(), layers.begin(), layers.end());
    EXPECT_EQ(drawn, twice);
    EXPECT_EQ(surface.fontsCreated.size(), 2U);
    EXPECT_EQ(surface.LiveFonts(), 0U);
    EXPECT_EQ(surface.ScaleMode(), platform::kScaleTwips);
    EXPECT_TRUE(platform.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Screens, TitlePaintTest,
                         ::testing::Values(DpiCase{15.0, -25}, DpiCase{12.0, -32}));

// ---- Where the help file is found ----

class HelpFilePathTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(dir.Path() / "bin"); }

    static void Touch(const std::filesystem::path& path) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path) << "ITSF";
    }

    TempDir dir;
    std::filesystem::path bin = dir.Path() / "bin";
    std::filesystem::path installed = dir.Path() / "share" / "tarnme" / "tarnme.chm";
};

TEST_F(HelpFilePathTest, WithoutAnyHelpFileItIsThePathBesideTheProgram) {
    EXPECT_EQ(HelpFilePath(bin.string()), (bin / "tarnme.chm").string());
}

TEST_F(HelpFilePathTest, AnInstalledProgramFindsItsHelpUnderShare) {
    Touch(installed);
    EXPECT_EQ(HelpFilePath(bin.string()), installed.string());
}

TEST_F(HelpFilePathTest, AHelpFileBesideTheProgramComesFirst) {
    Touch(installed);
    Touch(bin / "tarnme.chm");
    EXPECT_EQ(HelpFilePath(bin.string()), (bin / "tarnme.chm").string());
}

TEST_F(HelpFilePathTest, AFolderGivenWithATrailingSlashGetsNoSecondOne) {
    EXPECT_EQ(HelpFilePath(bin.string() + "/"), (bin / "tarnme.chm").string());
}

TEST_F(HelpFilePathTest, TheHelpButtonUsesTheInstalledCopy) {
    Touch(installed);
    TestPlatform platform;
    platform.programFolder = bin.string();
    frmMain form{platform.Bundle()};
    form.Form_Load();
    form.cmdHelp.Click.Raise();
    EXPECT_EQ(platform.helpRequests, (std::vector<std::string>{installed.string()}));
}

} // namespace
} // namespace tarn
