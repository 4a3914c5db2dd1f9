// The file list: adds with their renames on disk, refusals, duplicates, removal, clearing,
// leaving, and the journal that gives names back after a crash.
#include "filelist/NameJournal.h"
#include "shell/frmMain.h"
#include "support/JobFixture.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::Names;
using testing::WavSpec;
using testing::WriteWav;

class FileListTest : public testing::JobFixture {
protected:
    // Adds through the button, the dialog answering `name` in the test's folder.
    void Choose(const std::string& name) {
        platform.AnswerDialog(dir.File(name));
        form.cmdOpen_Click();
    }
    bool ListButtons() const {
        EXPECT_EQ(form.cmdGo.Enabled(), form.cmdClearList.Enabled());
        EXPECT_EQ(form.cmdGo.Enabled(), form.cmdDeleteFile.Enabled());
        return form.cmdGo.Enabled();
    }
};

TEST_F(FileListTest, AddingRenamesTheFileAndFillsTheTableAndBothLists) {
    form.cmdOpen_Click();
    EXPECT_EQ(form.FileCount, 0) << "a cancelled dialog adds nothing";
    WriteWav(dir.File("My Song - Live.wav"), WavSpec{.frames = 100});
    Choose("My Song - Live.wav");
    const platform::OpenDialogRequest& request = platform.DialogRequests().at(1);
    EXPECT_EQ(request.Title, "Choose the file which will be encoded:");
    EXPECT_EQ(request.InitialFileName, "*.wav");
    EXPECT_EQ(request.FilterDescription + " " + request.FilterPattern, "Wave Files *.wav");
    EXPECT_EQ(dir.Names(), Names{"MySongLive.wav"});
    ASSERT_EQ(form.FileCount, 1);
    EXPECT_EQ(form.FilePaths[1], dir.File("MySongLive.wav"));
    EXPECT_EQ(form.ChosenPaths[1], dir.File("My Song - Live.wav"));
    EXPECT_TRUE(form.FileRenamed[1]);
    EXPECT_EQ(form.Mp3Paths[1], dir.File("MySongLive.mp3"));
    EXPECT_TRUE(ListButtons());

    // A clean name stays as it is, read-only and all; the full-path option counts as it is
    // ticked when a file is added.
    WriteWav(dir.File("clean.wav"),
             {.sampleRate = 48000, .bitsPerSample = 8, .channels = 6, .frames = 0});
    ASSERT_EQ(::chmod(dir.File("clean.wav").c_str(), 0444), 0);
    form.chkFullPath.SetValue(forms::Checked);
    Choose("clean.wav");
    WriteWav(dir.File("read only.wav"), {.frames = 0});
    ASSERT_EQ(::chmod(dir.File("read only.wav").c_str(), 0444), 0);
    form.chkFullPath.SetValue(forms::Grayed);
    Choose("read only.wav");
    ASSERT_EQ(form.FileCount, 3);
    EXPECT_FALSE(form.FileRenamed[2]);
    EXPECT_EQ(form.FilePaths[2], dir.File("clean.wav"));
    EXPECT_EQ(fs::status(dir.File("clean.wav")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_NE(fs::status(dir.File("readonly.wav")).permissions() & fs::perms::owner_write,
              fs::perms::none);
    EXPECT_EQ(form.SampleRates[2], 48000);
    EXPECT_EQ(form.BitsPerSample[2], 8);
    EXPECT_EQ(form.Channels[2], 6);
    EXPECT_EQ(form.lstOpenFileName.Items(),
              (Names{"My Song - Live.wav", dir.File("clean.wav"), "read only.wav"}));
    EXPECT_EQ(form.lstOpenFileSize.Items(), (Names{"444 bytes", "44 bytes", "44 bytes"}));
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(FileListTest, TheSameFileIsListedOnceByWhicheverNameItIsChosen) {
    WriteWav(dir.File("my song.wav"), WavSpec{.frames = 0});
    WriteWav(dir.File("Song.wav"), WavSpec{.frames = 0});
    WriteWav(dir.File("song.wav"), WavSpec{.frames = 0});
    fs::create_directory(dir.Path() / "sub");
    fs::create_symlink(dir.Path() / "mysong.wav", dir.Path() / "sub" / "link.wav");
    for (const char* name : {"my song.wav", "my song.wav", "mysong.wav", "sub/link.wav"}) {
        Choose(name);
    }
    EXPECT_EQ(form.FileCount, 1);
    // Names differing in letter case are different files here.
    Choose("Song.wav");
    Choose("song.wav");
    EXPECT_EQ(form.FileCount, 3);
    EXPECT_EQ(form.lstOpenFileName.ListCount(), 3);
    EXPECT_TRUE(platform.Messages().empty());
}

std::vector<std::uint8_t> WavWithFields(std::int32_t rate, std::int16_t bits) {
    std::vector<std::uint8_t> bytes = testing::MakeWav({.sampleRate = rate, .frames = 10});
    bytes[34] = static_cast<std::uint8_t>(bits);
    return bytes;
}

// A refused file keeps its name, the table and both lists stay as they were, and the message
// says why (titled with the program's name, with the stop icon).
TEST_F(FileListTest, ARefusedFileKeepsItsNameAndTheListAsItWas) {
    struct Row {
        const char* name;
        std::function<void(const std::string&)> make;
        std::string message; // followed by the chosen path, when it ends in ":"
    };
    const auto bytes = [](std::vector<std::uint8_t> content) {
        return [content](const std::string& path) {
            testing::WriteBytes(path, content);
        };
    };
    const Row rows[] = {
        {"rate 22050.wav", bytes(WavWithFields(22050, 16)),
         "The Sample Rate must be 44.1 or 48 kHz."},
        {"width 24.wav", bytes(WavWithFields(44100, 24)), "The Bit Rate must be 8 or 16-bit."},
        {"both-wrong.wav", bytes(WavWithFields(32000, 24)),
         "The Sample Rate must be 44.1 or 48 kHz."},
        {"too short.wav", bytes({'R', 'I', 'F', 'F', 0, 0}),
         "The file is too short to be a WAV file:"},
        {"missing file.wav", [](const std::string&) {}, "The file cannot be read:"},
        {"a folder.wav", [](const std::string& path) { fs::create_directory(path); },
         "Only files can be added to the list:"},
        {"a pipe.wav", [](const std::string& path) { ::mkfifo(path.c_str(), 0644); },
         "Only files can be added to the list:"},
        {"my song.mp3", bytes(testing::MakeWav({.frames = 10})),
         "The file cannot be added: its MP3 file would take its name and replace it:"},
        {"taken - name.wav",
         [&](const std::string& path) {
             testing::WriteBytes(dir.File("takenname.wav"), {'k'});
             WriteWav(path, WavSpec{.frames = 0});
         },
         "The file could not be renamed to takenname.wav:\nFile exists.\nIt was not added to "
         "the list."},
    };
    WriteWav(dir.File("listed.wav"), WavSpec{.frames = 0});
    Choose("listed.wav");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = dir.File(row.name);
        row.make(path);
        const Names before = dir.Names();
        platform.onMessage = [&](const platform::MessageBoxRequest& message) {
            EXPECT_EQ(message.Text, row.message + (row.message.ends_with(':') ? "\n" + path : ""));
            EXPECT_EQ(message.Icon, platform::MessageIcon::Critical);
            EXPECT_EQ(message.Title, "Tarn MP3 Encoder");
        };
        const std::size_t messages = platform.Messages().size();
        Choose(row.name);
        EXPECT_EQ(platform.Messages().size(), messages + 1);
        EXPECT_EQ(dir.Names(), before);
        EXPECT_EQ(form.FileCount, 1);
        EXPECT_EQ(form.lstOpenFileName.ListCount(), 1);
        EXPECT_EQ(form.lstOpenFileSize.ListCount(), 1);
    }
    EXPECT_EQ(fs::file_size(dir.File("takenname.wav")), 1U);
}

TEST_F(FileListTest, TheListHoldsNinetyNineFiles) {
    for (int i = 1; i <= 100; ++i) {
        WriteWav(dir.File("track " + std::to_string(i) + ".wav"), WavSpec{.frames = 0});
        Choose("track " + std::to_string(i) + ".wav");
    }
    EXPECT_EQ(form.FileCount, 99);
    EXPECT_EQ(form.FilePaths[99], dir.File("track99.wav"));
    EXPECT_EQ(form.lstOpenFileName.ListCount(), 99);
    EXPECT_EQ(testing::Seen(platform),
              Names{"Tarn MP3 Encoder: The list is full: at most 99 files can be encoded in one "
                    "job."});
    EXPECT_TRUE(fs::exists(dir.File("track 100.wav")));
}

TEST_F(FileListTest, RemovingClearingAndLeavingGiveTheNamesBack) {
    WriteWav(dir.File("a one.wav"), WavSpec{.frames = 0});
    WriteWav(dir.File("b-two.wav"), {.sampleRate = 48000, .channels = 1, .frames = 0});
    WriteWav(dir.File("c.wav"), {.bitsPerSample = 8, .channels = 6, .frames = 0});
    for (const char* name : {"a one.wav", "b-two.wav", "c.wav"}) {
        Choose(name);
    }
    // Only a row selected in the name list counts.
    form.cmdDeleteFile_Click();
    form.lstOpenFileSize.SetListIndex(0);
    form.cmdDeleteFile_Click();
    ASSERT_EQ(form.FileCount, 3);
    form.lstOpenFileName.SetListIndex(0);
    form.cmdDeleteFile_Click();
    EXPECT_EQ(dir.Names(), (Names{"a one.wav", "btwo.wav", "c.wav"}));
    ASSERT_EQ(form.FileCount, 2);
    EXPECT_EQ(form.ChosenPaths[1], dir.File("b-two.wav"));
    EXPECT_EQ(form.FilePaths[1], dir.File("btwo.wav"));
    EXPECT_EQ(form.Mp3Paths[1], dir.File("btwo.mp3"));
    EXPECT_TRUE(form.FileRenamed[1]);
    EXPECT_EQ(form.SampleRates[1], 48000);
    EXPECT_EQ(form.Channels[1], 1);
    EXPECT_FALSE(form.FileRenamed[2]);
    EXPECT_EQ(form.BitsPerSample[2], 8);
    EXPECT_EQ(form.Channels[2], 6);
    EXPECT_EQ(form.lstOpenFileName.Items(), (Names{"b-two.wav", "c.wav"}));
    EXPECT_EQ(form.lstOpenFileSize.ListCount(), 2);
    EXPECT_TRUE(ListButtons());
    form.lstOpenFileName.SetListIndex(1);
    form.cmdDeleteFile_Click();
    form.lstOpenFileName.SetListIndex(0);
    form.cmdDeleteFile_Click();
    EXPECT_EQ(form.FileCount, 0);
    EXPECT_FALSE(ListButtons());
    EXPECT_EQ(dir.Names(), (Names{"a one.wav", "b-two.wav", "c.wav"}));

    // Clearing leaves a file whose chosen name was taken meanwhile; the rest come back, and
    // can be added again.
    Choose("a one.wav");
    Choose("b-two.wav");
    testing::WriteBytes(dir.File("a one.wav"), {'x'});
    form.cmdClearList_Click();
    EXPECT_EQ(dir.Names(), (Names{"a one.wav", "aone.wav", "b-two.wav", "c.wav"}));
    EXPECT_EQ(form.lstOpenFileName.ListCount() + form.lstOpenFileSize.ListCount(), 0);
    EXPECT_FALSE(ListButtons());
    Choose("b-two.wav");
    EXPECT_EQ(form.FilePaths[1], dir.File("btwo.wav"));

    // The window manager's close and Exit both give the names back before the window goes.
    bool cancel = true;
    form.Form_QueryUnload(cancel);
    EXPECT_FALSE(cancel);
    EXPECT_FALSE(form.Loaded());
    EXPECT_TRUE(fs::exists(dir.File("b-two.wav")));
    testing::TestPlatform otherPlatform;
    frmMain other{otherPlatform.Bundle()};
    other.Form_Load();
    other.AddChosenFile(dir.File("b-two.wav"));
    other.cmdExit.Click.Raise();
    EXPECT_TRUE(fs::exists(dir.File("b-two.wav")));
    EXPECT_EQ(otherPlatform.unloadCalls, 1);
}

TEST_F(FileListTest, TheJournalFollowsTheListAndTheNextStartGivesNamesBackOnce) {
    NameJournal journal{dir.File(".state/renames")};
    {
        testing::TestPlatform crashedPlatform;
        frmMain crashed{crashedPlatform.Bundle()};
        crashed.UseNameJournal(&journal);
        crashed.Form_Load();
        for (const char* name : {"one - a.wav", "two b.wav", "three.wav", "gone soon.wav"}) {
            WriteWav(dir.File(name), WavSpec{.frames = 0});
            crashed.AddChosenFile(dir.File(name));
        }
        testing::WriteBytes(dir.File("refused one.wav"), WavWithFields(22050, 16));
        crashed.AddChosenFile(dir.File("refused one.wav"));
        crashed.lstOpenFileName.SetListIndex(3);
        crashed.cmdDeleteFile_Click();
        EXPECT_EQ(journal.Entries(),
                  (std::vector<NameJournal::Entry>{{dir.File("onea.wav"), dir.File("one - a.wav")},
                                                   {dir.File("twob.wav"), dir.File("two b.wav")}}));
        // The window is gone without clearing its list, as after SIGKILL; meanwhile another
        // file takes one of the names.
    }
    testing::WriteBytes(dir.File("two b.wav"), {'y'});
    form.UseNameJournal(&journal);
    form.RecoverNames();
    form.RecoverNames();
    EXPECT_EQ(dir.Names(), (Names{".state", "gone soon.wav", "one - a.wav", "refused one.wav",
                                  "three.wav", "two b.wav", "twob.wav"}));
    EXPECT_EQ(testing::Seen(platform),
              Names{"Tarn MP3 Encoder (!): The program did not end properly last time, and these "
                    "files could not be put back in order:\n" +
                    dir.File("twob.wav") + " (was " + dir.File("two b.wav") + ")"});
    EXPECT_TRUE(journal.Entries().empty());
}

TEST_F(FileListTest, FilesAddedTogetherStopWhenTheProgramEndsDuringAMessage) {
    WriteWav(dir.File("b c.wav"), WavSpec{.frames = 0});
    platform.onMessage = [this](const platform::MessageBoxRequest&) {
        form.Shutdown();
    };
    form.AddChosenFiles({dir.File("gone.wav"), dir.File("b c.wav")});
    EXPECT_EQ(platform.unloadCalls, 1);
    EXPECT_EQ(dir.Names(), Names{"b c.wav"});
}

} // namespace
} // namespace tarn
