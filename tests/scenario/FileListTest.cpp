#include "shell/frmMain.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"
#include "support/WavWriter.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::TestPlatform;
using testing::WavSpec;

constexpr const char* kTitle = "Tarn MP3 Encoder";

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override { form.Form_Load(); }

    // Writes a small WAV file into the folder and returns its path.
    std::string Wav(const std::string& name, WavSpec spec = {}) {
        const std::string path = dir.File(name);
        testing::WriteWav(path, spec);
        return path;
    }

    void Add(const std::string& path) {
        platform.AnswerDialog(path);
        form.cmdOpen_Click();
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& message : platform.Messages()) {
            EXPECT_EQ(message.Title, kTitle);
            EXPECT_EQ(message.Icon, platform::MessageIcon::Critical);
            texts.push_back(message.Text);
        }
        return texts;
    }

    bool ListButtonsEnabled() const {
        return form.cmdClearList.Enabled() && form.cmdDeleteFile.Enabled() && form.cmdGo.Enabled();
    }
    bool ListButtonsDisabled() const {
        return !form.cmdClearList.Enabled() && !form.cmdDeleteFile.Enabled() &&
               !form.cmdGo.Enabled();
    }

    TempDir dir;
    TestPlatform platform;
    frmMain form{platform.Bundle()};
};

TEST_F(FileListTest, AddingRenamesTheFileAndListsItsNameAndSize) {
    const std::string chosen = Wav("My Song - Live.wav", {.frames = 100});
    Add(chosen);

    ASSERT_EQ(platform.DialogRequests().size(), 1U);
    const auto& request = platform.DialogRequests()[0];
    EXPECT_EQ(request.Title, "Choose the file which will be encoded:");
    EXPECT_EQ(request.FilterDescription, "Wave Files");
    EXPECT_EQ(request.InitialFileName, "*.wav");

    EXPECT_EQ(dir.Names(), std::vector<std::string>{"MySongLive.wav"});
    ASSERT_EQ(form.FileCount, 1);
    EXPECT_EQ(form.FilePaths[1], dir.File("MySongLive.wav"));
    EXPECT_EQ(form.ChosenPaths[1], chosen);
    EXPECT_TRUE(form.FileRenamed[1]);
    EXPECT_EQ(form.Mp3Paths[1], dir.File("MySongLive.mp3"));
    EXPECT_EQ(form.SampleRates[1], 44100);
    EXPECT_EQ(form.BitsPerSample[1], 16);
    EXPECT_EQ(form.Channels[1], 2);
    EXPECT_EQ(form.lstOpenFileName.Items(), std::vector<std::string>{"My Song - Live.wav"});
    EXPECT_EQ(form.lstOpenFileSize.Items(), std::vector<std::string>{"444 bytes"});
    EXPECT_TRUE(ListButtonsEnabled());
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(FileListTest, CancellingTheDialogChangesNothing) {
    form.cmdOpen_Click();
    EXPECT_EQ(form.FileCount, 0);
    EXPECT_TRUE(ListButtonsDisabled());
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(FileListTest, AFileWithACleanNameIsNeitherRenamedNorTouched) {
    const std::string path =
        Wav("song.wav", {.sampleRate = 48000, .bitsPerSample = 8, .channels = 1, .frames = 10});
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    Add(path);
    ASSERT_EQ(form.FileCount, 1);
    EXPECT_FALSE(form.FileRenamed[1]);
    EXPECT_EQ(form.FilePaths[1], path);
    EXPECT_EQ(form.SampleRates[1], 48000);
    EXPECT_EQ(form.BitsPerSample[1], 8);
    EXPECT_EQ(form.Channels[1], 1);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(FileListTest, AReadOnlyFileIsMadeWritableBeforeItIsRenamed) {
    const std::string path = Wav("read only.wav");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    Add(path);
    ASSERT_EQ(form.FileCount, 1);
    EXPECT_NE(fs::status(dir.File("readonly.wav")).permissions() & fs::perms::owner_write,
              fs::perms::none);
}

TEST_F(FileListTest, TheFullPathOptionCountsOnlyForFilesAddedWhileTicked) {
    const std::string first = Wav("first one.wav");
    const std::string second = Wav("second.wav");
    const std::string third = Wav("third.wav");
    Add(first);
    form.chkFullPath.SetValue(forms::Checked);
    Add(second);
    form.chkFullPath.SetValue(forms::Grayed);
    Add(third);
    EXPECT_EQ(form.lstOpenFileName.Items(),
              (std::vector<std::string>{"first one.wav", second, "third.wav"}));
}

struct DuplicateCase {
    const char* name;
    const char* listed;
    // How the second choice names the file.
    std::function<std::string(const TempDir&)> chosenAgain;
};

class DuplicateTest : public FileListTest, public ::testing::WithParamInterface<DuplicateCase> {};

TEST_P(DuplicateTest, TheSameFileIsNotListedTwice) {
    Add(Wav(GetParam().listed));
    Add(GetParam().chosenAgain(dir));
    EXPECT_EQ(form.FileCount, 1);
    EXPECT_EQ(form.lstOpenFileName.ListCount(), 1);
    EXPECT_TRUE(platform.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Choices, DuplicateTest,
                         ::testing::Values(DuplicateCase{"same_path", "song.wav",
                                                         [](const TempDir& d) {
                                                             return d.File("song.wav");
                                                         }},
                                           DuplicateCase{"cleaned_name", "my song.wav",
                                                         [](const TempDir& d) {
                                                             return d.File("mysong.wav");
                                                         }},
                                           DuplicateCase{"name_before_cleaning", "my song.wav",
                                                         [](const TempDir& d) {
                                                             return d.File("my song.wav");
                                                         }},
                                           DuplicateCase{"through_a_link", "song.wav",
                                                         [](const TempDir& d) {
                                                             fs::create_directory(d.Path() / "sub");
                                                             fs::create_symlink(
                                                                 d.Path() / "song.wav",
                                                                 d.Path() / "sub" / "link.wav");
                                                             return d.File("sub/link.wav");
                                                         }}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(FileListTest, NamesDifferingOnlyInLetterCaseAreDifferentFiles) {
    Add(Wav("Song.wav"));
    Add(Wav("song.wav"));
    EXPECT_EQ(form.FileCount, 2);
}

TEST_F(FileListTest, AnAddNeverReplacesAFileThatHasTheCleanedName) {
    testing::WriteBytes(dir.File("mysong.wav"), {'k', 'e', 'e', 'p'});
    const std::string chosen = Wav("my-song.wav");
    Add(chosen);

    EXPECT_EQ(form.FileCount, 0);
    EXPECT_TRUE(ListButtonsDisabled());
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"my-song.wav", "mysong.wav"}));
    EXPECT_EQ(fs::file_size(dir.File("mysong.wav")), 4U);
    const auto texts = Messages();
    ASSERT_EQ(texts.size(), 1U);
    EXPECT_NE(texts[0].find("mysong.wav"), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("File exists"), std::string::npos) << texts[0];
}

struct RefusalCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* message; // the start of the message
};

std::vector<std::uint8_t> WavBytes(std::int32_t rate, std::int16_t bits) {
    std::vector<std::uint8_t> bytes = testing::MakeWav({.sampleRate = rate, .frames = 10});
    bytes[34] = static_cast<std::uint8_t>(bits);
    return bytes;
}

class RefusalTest : public FileListTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, ARefusedFileKeepsItsNameAndTheTableStaysAsItWas) {
    Add(Wav("listed.wav"));
    const std::string chosen = dir.File("refused - file.wav");
    testing::WriteBytes(chosen, GetParam().bytes);
    Add(chosen);

    EXPECT_EQ(form.FileCount, 1);
    EXPECT_EQ(form.lstOpenFileName.ListCount(), 1);
    EXPECT_EQ(form.lstOpenFileSize.ListCount(), 1);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"listed.wav", "refused - file.wav"}));
    const auto texts = Messages();
    ASSERT_EQ(texts.size(), 1U);
    EXPECT_EQ(texts[0].rfind(GetParam().message, 0), 0U) << texts[0];
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusalTest,
    ::testing::Values(
        RefusalCase{"rate_22050", WavBytes(22050, 16), "The Sample Rate must be 44.1 or 48 kHz."},
        RefusalCase{"width_24", WavBytes(44100, 24), "The Bit Rate must be 8 or 16-bit."},
        RefusalCase{"both_wrong", WavBytes(32000, 24), "The Sample Rate must be 44.1 or 48 kHz."},
        RefusalCase{"too_short", {'R', 'I', 'F', 'F', 0, 0}, "The file is too short"},
        RefusalCase{"empty", {}, "The file is too short"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(FileListTest, AMissingFileIsReportedAndNotListed) {
    Add(dir.File("gone.wav"));
    EXPECT_EQ(form.FileCount, 0);
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"The file cannot be read:\n" + dir.File("gone.wav")});
}

TEST_F(FileListTest, TheListHoldsNinetyNineFilesAndRefusesTheHundredth) {
    for (int i = 1; i <= frmMain::kMaxEntries; ++i) {
        Add(Wav("track " + std::to_string(i) + ".wav", {.frames = 1}));
    }
    ASSERT_EQ(form.FileCount, 99);
    EXPECT_TRUE(platform.Messages().empty());
    const std::string extra = Wav("track 100.wav", {.frames = 1});
    Add(extra);
    EXPECT_EQ(form.FileCount, 99);
    EXPECT_EQ(form.lstOpenFileName.ListCount(), 99);
    EXPECT_TRUE(fs::exists(extra));
    EXPECT_EQ(Messages().size(), 1U);
    EXPECT_EQ(form.ChosenPaths[99], dir.File("track 99.wav"));
    EXPECT_EQ(form.FilePaths[99], dir.File("track99.wav"));
}

TEST_F(FileListTest, RemovingRowZeroOfThreeMovesTheOthersDownAndGivesTheNameBack) {
    Add(Wav("a one.wav"));
    Add(Wav("b-two.wav", {.sampleRate = 48000, .channels = 1}));
    Add(Wav("c.wav", {.bitsPerSample = 8, .channels = 6}));
    form.lstOpenFileName.SetListIndex(0);
    form.cmdDeleteFile_Click();

    ASSERT_EQ(form.FileCount, 2);
    EXPECT_EQ(form.ChosenPaths[1], dir.File("b-two.wav"));
    EXPECT_EQ(form.FilePaths[1], dir.File("btwo.wav"));
    EXPECT_TRUE(form.FileRenamed[1]);
    EXPECT_EQ(form.Mp3Paths[1], dir.File("btwo.mp3"));
    EXPECT_EQ(form.SampleRates[1], 48000);
    EXPECT_EQ(form.Channels[1], 1);
    EXPECT_EQ(form.FilePaths[2], dir.File("c.wav"));
    EXPECT_FALSE(form.FileRenamed[2]);
    EXPECT_EQ(form.BitsPerSample[2], 8);
    EXPECT_EQ(form.Channels[2], 6);
    EXPECT_EQ(form.lstOpenFileName.Items(), (std::vector<std::string>{"b-two.wav", "c.wav"}));
    EXPECT_EQ(form.lstOpenFileSize.ListCount(), 2);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a one.wav", "btwo.wav", "c.wav"}));
    EXPECT_TRUE(ListButtonsEnabled());
}

TEST_F(FileListTest, RemovingNeedsARowSelectedInTheNameList) {
    Add(Wav("a.wav"));
    form.cmdDeleteFile_Click();
    form.lstOpenFileSize.SetListIndex(0);
    form.cmdDeleteFile_Click();
    EXPECT_EQ(form.FileCount, 1);
}

TEST_F(FileListTest, RemovingTheOnlyRowDisablesTheListButtons) {
    Add(Wav("only one.wav"));
    form.lstOpenFileName.SetListIndex(0);
    form.cmdDeleteFile_Click();
    EXPECT_EQ(form.FileCount, 0);
    EXPECT_TRUE(ListButtonsDisabled());
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"only one.wav"});
}

TEST_F(FileListTest, ClearingGivesEveryNameBackAndAFileCanBeAddedAgain) {
    Add(Wav("a one.wav"));
    Add(Wav("b.wav"));
    Add(Wav("c - three.wav"));
    form.cmdClearList_Click();
    EXPECT_EQ(form.FileCount, 0);
    EXPECT_EQ(form.lstOpenFileName.ListCount(), 0);
    EXPECT_EQ(form.lstOpenFileSize.ListCount(), 0);
    EXPECT_TRUE(ListButtonsDisabled());
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a one.wav", "b.wav", "c - three.wav"}));

    Add(dir.File("c - three.wav"));
    ASSERT_EQ(form.FileCount, 1);
    EXPECT_EQ(form.FilePaths[1], dir.File("cthree.wav"));
}

TEST_F(FileListTest, ClearingLeavesAFileThatCannotGetItsNameBack) {
    Add(Wav("a one.wav"));
    // Another file has taken the chosen name meanwhile: it must survive.
    testing::WriteBytes(dir.File("a one.wav"), {'x'});
    form.cmdClearList_Click();
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"a one.wav", "aone.wav"}));
    EXPECT_EQ(fs::file_size(dir.File("a one.wav")), 1U);
}

TEST_F(FileListTest, LeavingTheProgramGivesTheNamesBack) {
    Add(Wav("a one.wav"));
    form.cmdExit_Click();
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"a one.wav"});
    EXPECT_EQ(platform.unloadCalls, 1);

    TestPlatform other;
    frmMain second{other.Bundle()};
    second.Form_Load();
    other.AnswerDialog(dir.File("a one.wav"));
    second.cmdOpen_Click();
    bool cancel = true;
    second.Form_QueryUnload(cancel);
    EXPECT_FALSE(cancel);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"a one.wav"});
}

TEST_F(FileListTest, FilesAddedTogetherStopWhenTheProgramEndsDuringAMessage) {
    const std::vector<std::string> files{dir.File("gone.wav"), Wav("b c.wav"), Wav("d e.wav")};
    platform.onMessage = [this](const platform::MessageBoxRequest&) {
        form.Shutdown();
    };
    form.AddChosenFiles(files);
    EXPECT_EQ(platform.unloadCalls, 1);
    EXPECT_EQ(form.FileCount, 0);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"b c.wav", "d e.wav"}));
}

TEST_F(FileListTest, AFileOverTwoGibibytesShowsItsTrueSize) {
    const std::string path = Wav("big.wav", {.frames = 0});
    constexpr std::int64_t kLength = 3LL * 1024 * 1024 * 1024 + 44;
    ASSERT_EQ(::truncate(path.c_str(), kLength), 0);
    Add(path);
    EXPECT_EQ(form.lstOpenFileSize.Items(), std::vector<std::string>{"3,221,225,516 bytes"});
}

} // namespace
} // namespace tarn

namespace tarn {
namespace {

class NameJournalScenarioTest : public FileListTest {
protected:
    NameJournal journal{dir.File(".state/renames")};
};

TEST_F(NameJournalScenarioTest, NamesLeftByAnInstanceThatDidNotEndAreGivenBackAtTheNextStart) {
    {
        TestPlatform crashed;
        frmMain killed{crashed.Bundle()};
        killed.UseNameJournal(&journal);
        killed.Form_Load();
        for (const char* name : {"one - a.wav", "two b.wav", "three.wav"}) {
            crashed.AnswerDialog(Wav(name));
            killed.cmdOpen_Click();
        }
        ASSERT_EQ(killed.FileCount, 3);
        // The window is gone without clearing its list, as after SIGKILL.
    }
    EXPECT_EQ(journal.Entries().size(), 2U);

    form.UseNameJournal(&journal);
    form.RecoverNames();
    EXPECT_EQ(dir.Names(),
              (std::vector<std::string>{".state", "one - a.wav", "three.wav", "two b.wav"}));
    EXPECT_TRUE(journal.Entries().empty());
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(NameJournalScenarioTest, TheJournalFollowsAddsRemovalsAndRefusals) {
    form.UseNameJournal(&journal);
    Add(Wav("a one.wav"));
    Add(Wav("b two.wav"));
    testing::WriteBytes(dir.File("c three.wav"), WavBytes(22050, 16));
    Add(dir.File("c three.wav"));
    EXPECT_EQ(journal.Entries().size(), 2U);

    form.lstOpenFileName.SetListIndex(0);
    form.cmdDeleteFile_Click();
    EXPECT_EQ(journal.Entries(),
              (std::vector<NameJournal::Entry>{{dir.File("btwo.wav"), dir.File("b two.wav")}}));
    form.cmdExit_Click();
    EXPECT_TRUE(journal.Entries().empty());
}

TEST_F(NameJournalScenarioTest, ANameThatCannotComeBackIsReportedOnce) {
    testing::WriteBytes(dir.File("song.wav"), {'x'});
    journal.Record(dir.File("song.wav"), dir.File("so ng.wav"));
    testing::WriteBytes(dir.File("so ng.wav"), {'y'});
    form.UseNameJournal(&journal);
    form.RecoverNames();
    form.RecoverNames();
    ASSERT_EQ(platform.Messages().size(), 1U);
    EXPECT_NE(platform.Messages()[0].Text.find(dir.File("song.wav")), std::string::npos);
    EXPECT_EQ(platform.Messages()[0].Title, kTitle);
}

} // namespace
} // namespace tarn
