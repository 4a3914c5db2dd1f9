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

TEST_F(HelpAndTitleTest, TheLinksOpenAMessageToTheAddressAndTheWebsite) {
    const std::tuple<forms::Label*, const char*, platform::ShowCommand> links[] = {
        {&form.lblEMail, "mailto:tarn@example.org", platform::ShowCommand::Show},
        {&form.lblWWW, "https://tarn.example.org/", platform::ShowCommand::Normal},
    };
    for (const auto& [link, target, show] : links) {
        platform.shellRequests.clear();
        link->Click.Raise();
        ASSERT_EQ(platform.shellRequests.size(), 1U) << target;
        EXPECT_EQ(platform.shellRequests[0].verb, "open");
        EXPECT_EQ(platform.shellRequests[0].target, target);
        EXPECT_EQ(platform.shellRequests[0].show, show);
    }
    EXPECT_TRUE(platform.Messages().empty());
    EXPECT_TRUE(platform.helpRequests.empty());
}

TEST_F(HelpAndTitleTest, EachRepaintDrawsTheEngravedTitleAtTheSamePlaceAt120Dpi) {
    platform.twipsPerPixelY = 12.0;
    RecordingPaintSurface surface;
    form.Form_Paint(surface);
    form.Form_Paint(surface);
    // White down and right, gray up and left, black on top, in pixels at any resolution.
    const std::vector<std::tuple<float, float, std::uint32_t>> layers{
        {101.0F, 20.0F, 0xFFFFFFU}, {99.0F, 18.0F, 0x808080U}, {100.0F, 19.0F, 0U}};
    std::vector<std::tuple<float, float, std::uint32_t>> drawn;
    for (const auto& print : surface.prints) {
        drawn.emplace_back(print.x, print.y, print.color);
        EXPECT_EQ(print.font.lfHeight, -32);
    }
    auto twice = layers;
    twice.insert(twice.end(), layers.begin(), layers.end());
    EXPECT_EQ(drawn, twice);
}

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

TEST_F(HelpFilePathTest, PrefersTheCopyBesideTheProgramThenTheInstalledOne) {
    const std::string beside = (bin / "tarnme.chm").string();
    // With no help file anywhere it is the path beside the program.
    EXPECT_EQ(HelpFilePath(bin.string() + "/"), beside);
    Touch(installed);
    EXPECT_EQ(HelpFilePath(bin.string()), installed.string());
    Touch(beside);
    EXPECT_EQ(HelpFilePath(bin.string()), beside);
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
