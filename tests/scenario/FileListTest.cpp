// The file list: adds and their renames on disk, refusals, duplicates, removal and clearing.
#include "shell/frmMain.h"
#include "support/FaultySystem.h"
#include "support/JobFixture.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

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
    // Both lists, then each entry as "listed < chosen* mp3 rate/bits/channels" (* if renamed).
    Names Table() const {
        const auto name = [this](const std::string& path) {
            return fs::path(path).lexically_relative(dir.Path()).string();
        };
        Names table = form.lstOpenFileName.Items();
        table.insert(table.end(), form.lstOpenFileSize.Items().begin(),
                     form.lstOpenFileSize.Items().end());
        for (int n = 1; n <= form.FileCount; ++n) {
            table.push_back(name(form.FilePaths[n]) + " < " + name(form.ChosenPaths[n]) +
                            (form.FileRenamed[n] ? "* " : " ") + name(form.Mp3Paths[n]) + " " +
                            std::to_string(form.SampleRates[n]) + "/" +
                            std::to_string(form.BitsPerSample[n]) + "/" +
                            std::to_string(form.Channels[n]));
        }
        return table;
    }
    // Go, Remove and Clear are enabled together, when the list holds something.
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
    EXPECT_EQ(std::tuple(dir.Names(), ListButtons()), std::tuple(Names{"MySongLive.wav"}, true));
    // A clean name stays, read-only and all; the full-path option counts as ticked at the add.
    WriteWav(dir.File("clean.wav"),
             {.sampleRate = 48000, .bitsPerSample = 8, .channels = 6, .frames = 0});
    WriteWav(dir.File("read only.wav"), {.frames = 0});
    for (const auto& [name, fullPath] :
         {std::pair{"clean.wav", forms::Checked}, std::pair{"read only.wav", forms::Grayed}}) {
        ASSERT_EQ(::chmod(dir.File(name).c_str(), 0444), 0);
        form.chkFullPath.SetValue(fullPath);
        Choose(name);
    }
    EXPECT_EQ(Table(), (Names{"My Song - Live.wav", dir.File("clean.wav"), "read only.wav",
                              "444 bytes", "44 bytes", "44 bytes",
                              "MySongLive.wav < My Song - Live.wav* MySongLive.mp3 44100/16/2",
                              "clean.wav < clean.wav clean.mp3 48000/8/6",
                              "readonly.wav < read only.wav* readonly.mp3 44100/16/2"}));
    EXPECT_EQ(fs::status(dir.File("clean.wav")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_NE(fs::status(dir.File("readonly.wav")).permissions() & fs::perms::owner_write,
              fs::perms::none);
    EXPECT_TRUE(platform.Messages().empty());
}

TEST_F(FileListTest, TheSameFileIsListedOnceByWhicheverNameItIsChosen) {
    for (const char* name : {"my song.wav", "Song.wav", "song.wav"}) {
        WriteWav(dir.File(name), WavSpec{.frames = 0});
    }
    fs::create_directory(dir.Path() / "sub");
    fs::create_symlink(dir.Path() / "mysong.wav", dir.Path() / "sub" / "link.wav");
    for (const char* name : {"my song.wav", "my song.wav", "mysong.wav", "sub/link.wav"}) {
        Choose(name);
    }
    EXPECT_EQ(form.FileCount, 1);
    // Names differing in letter case are different files here.
    Choose("Song.wav");
    Choose("song.wav");
    EXPECT_EQ(form.FileCount + form.lstOpenFileName.ListCount(), 6);
    EXPECT_TRUE(platform.Messages().empty());
}

std::vector<std::uint8_t> WavWithFields(std::int32_t rate, std::int16_t bits) {
    std::vector<std::uint8_t> bytes = testing::MakeWav({.sampleRate = rate, .frames = 10});
    bytes[34] = static_cast<std::uint8_t>(bits);
    return bytes;
}

// A refused file keeps its name, the table and lists stay, and a critical message says why.
TEST_F(FileListTest, ARefusedFileKeepsItsNameAndTheListAsItWas) {
    WriteWav(dir.File("listed.wav"), WavSpec{.frames = 0});
    Choose("listed.wav");
    testing::WriteBytes(dir.File("rate 22050.wav"), WavWithFields(22050, 16));
    testing::WriteBytes(dir.File("width 24.wav"), WavWithFields(44100, 24));
    testing::WriteBytes(dir.File("too short.wav"), {'R', 'I', 'F', 'F', 0, 0});
    ::mkfifo(dir.File("a pipe.wav").c_str(), 0644);
    WriteWav(dir.File("my song.mp3"), {.frames = 10});
    WriteWav(dir.File("taken - name.wav"), WavSpec{.frames = 0});
    testing::WriteBytes(dir.File("takenname.wav"), {'k'});
    // Where letter case does not count, take.mp3 is take.MP3 itself, as a second name is here.
    WriteWav(dir.File("take.MP3"), {.frames = 10});
    fs::create_hard_link(dir.File("take.MP3"), dir.File("take.mp3"));
    // The message; followed by the chosen path, when it ends in ":".
    const std::pair<const char*, std::string> rows[] = {
        {"rate 22050.wav", "The Sample Rate must be 44.1 or 48 kHz."},
        {"width 24.wav", "The Bit Rate must be 8 or 16-bit."},
        {"too short.wav", "The file is too short to be a WAV file:"},
        {"missing file.wav", "The file cannot be read:\n%\nNo such file or directory."},
        {"a pipe.wav", "Only files can be added to the list:"},
        {"my song.mp3",
         "The file cannot be added: its MP3 file would take its name and replace it:"},
        {"take.MP3", "The file cannot be added: its MP3 file would take its name and replace it:"},
        {"taken - name.wav",
         "The file could not be renamed to takenname.wav:\nFile exists.\nIt was not added to the "
         "list."},
    };
    const Names table = Table();
    const Names names = dir.Names();
    for (const auto& [name, message] : rows) {
        Choose(name);
        std::string text = message.ends_with(':') ? message + "\n%" : message;
        if (const auto at = text.find('%'); at != std::string::npos) {
            text.replace(at, 1, dir.File(name));
        }
        EXPECT_EQ(platform.interactions.back(), "Tarn MP3 Encoder (x): " + text);
        EXPECT_EQ(std::pair(dir.Names(), Table()), std::pair(names, table)) << name;
    }
    EXPECT_EQ(platform.interactions.size(), std::size(rows));
    EXPECT_EQ(fs::file_size(dir.File("takenname.wav")), 1U);
}

// The hundredth file is refused, keeping its name; many are told in one message, the first few.
TEST_F(FileListTest, FilesRefusedForAFullListAreToldInOneMessage) {
    std::vector<std::string> paths;
    for (int i = 1; i <= 106; ++i) {
        paths.push_back(dir.File(std::to_string(i) + " .wav"));
        WriteWav(paths.back(), WavSpec{.frames = 0});
    }
    const std::string full =
        "Tarn MP3 Encoder (x): The list is full: at most 99 files can be encoded in one job.";
    form.AddChosenFiles(paths);
    EXPECT_EQ(form.FileCount + form.lstOpenFileName.ListCount(), 2 * frmMain::kMaxEntries);
    Choose("100 .wav");
    EXPECT_TRUE(fs::exists(paths[99]));
    form.AddChosenFiles({dir.File("1.wav"), dir.File("gone.wav"), paths[101], paths[102]});
    EXPECT_EQ(
        platform.interactions,
        (Names{full + "\nThese 7 files were not added:\n" + paths[99] + "\n" + paths[100] + "\n" +
                   paths[101] + "\n" + paths[102] + "\n" + paths[103] + "\nand 2 more.",
               full,
               "Tarn MP3 Encoder (x): The file cannot be read:\n" + dir.File("gone.wav") +
                   "\nNo such file or directory.",
               full + "\nThese 2 files were not added:\n" + paths[101] + "\n" + paths[102]}));
}

TEST_F(FileListTest, RemovingClearingAndLeavingGiveTheNamesBack) {
    WriteWav(dir.File("a one.wav"), WavSpec{.frames = 0});
    WriteWav(dir.File("b-two.wav"), {.sampleRate = 48000, .channels = 1, .frames = 0});
    WriteWav(dir.File("c.wav"), {.bitsPerSample = 8, .channels = 6, .frames = 0});
    for (const char* name : {"a one.wav", "b-two.wav", "c.wav"}) {
        Choose(name);
    }
    form.lstOpenFileName.SetListIndex(0);
    form.cmdDeleteFile_Click();
    EXPECT_EQ(dir.Names(), (Names{"a one.wav", "btwo.wav", "c.wav"}));
    EXPECT_EQ(Table(), (Names{"b-two.wav", "c.wav", "44 bytes", "44 bytes",
                              "btwo.wav < b-two.wav* btwo.mp3 48000/16/1",
                              "c.wav < c.wav c.mp3 44100/8/6"}));
    EXPECT_TRUE(ListButtons());
    form.lstOpenFileName.SetListIndex(1);
    form.cmdDeleteFile_Click();
    form.lstOpenFileName.SetListIndex(0);
    form.cmdDeleteFile_Click();
    EXPECT_EQ(std::tuple(form.FileCount, ListButtons(), dir.Names()),
              std::tuple(0, false, Names{"a one.wav", "b-two.wav", "c.wav"}));

    // Clearing leaves a file whose chosen name was taken, said; the rest come back, re-addable.
    Choose("a one.wav");
    Choose("b-two.wav");
    testing::WriteBytes(dir.File("a one.wav"), {'x'});
    form.cmdClearList_Click();
    ASSERT_EQ(platform.interactions.size(), 1U);
    EXPECT_NE(platform.interactions[0].find(dir.File("aone.wav") + "\n    to a one.wav: File "),
              std::string::npos);
    EXPECT_EQ(std::tuple(dir.Names(), Table(), ListButtons()),
              std::tuple(Names{"a one.wav", "aone.wav", "b-two.wav", "c.wav"}, Names{}, false));
    Choose("b-two.wav");
    EXPECT_EQ(form.FilePaths[1], dir.File("btwo.wav"));

    // The window manager's close gives the names back before the window goes.
    bool cancel = true;
    form.Form_QueryUnload(cancel);
    EXPECT_EQ(std::tuple(cancel, form.Loaded(), fs::exists(dir.File("b-two.wav"))),
              std::tuple(false, false, true));
}

// Files coming during a change's message wait their turn, unless the program ends meanwhile.
TEST_F(FileListTest, FilesThatComeWhileTheListChangesWaitTheirTurn) {
    for (const char* name : {"a one.wav", "b.wav", "c.wav", "d.wav", "e f.wav"}) {
        WriteWav(dir.File(name), WavSpec{});
    }
    std::size_t shown = 0;
    const std::vector<std::function<void()>> atMessage{
        [&] { form.AddChosenFiles({dir.File("c.wav")}); },
        [&] { form.AddChosenFiles({dir.File("d.wav")}); },
        [&] { form.Shutdown(); },
    };
    platform.onMessage = [&](const platform::MessageBoxRequest&) {
        atMessage.at(shown++)();
    };
    form.AddChosenFiles({dir.File("a one.wav"), dir.File("gone.wav"), dir.File("b.wav")});
    EXPECT_EQ(form.lstOpenFileName.Items(), (Names{"a one.wav", "b.wav", "c.wav"}));
    // Its name cannot come back: the list is emptied after the message saying so.
    testing::WriteBytes(dir.File("a one.wav"), {'x'});
    form.cmdClearList_Click();
    EXPECT_EQ(form.lstOpenFileName.Items(), Names{"d.wav"});
    EXPECT_EQ(form.FileCount, 1);
    form.AddChosenFiles({dir.File("gone.wav"), dir.File("e f.wav")});
    EXPECT_EQ(platform.unloadCalls, 1);
    EXPECT_TRUE(fs::exists(dir.File("e f.wav")));
}

// Files that come together share a journal rewrite until one keeps or cannot take its name.
TEST_F(FileListTest, FilesThatComeTogetherShareOneRecordOfTheirNames) {
    NameJournal journal(dir.File(".state/renames"));
    form.UseNameJournal(&journal);
    const Names names{"a b.wav", "c d.wav", "a-b.wav", "e.wav", "f g.wav", "x y.wav", "h i.wav"};
    std::vector<std::string> paths;
    for (const std::string& name : names) {
        paths.push_back(dir.File(name));
        WriteWav(paths.back(), WavSpec{});
    }
    testing::WriteBytes(dir.File("x y.wav"), {'x'});
    const testing::FaultySystem system;
    form.AddChosenFiles(paths);
    EXPECT_EQ(std::ranges::count_if(system.calls,
                                    [](const auto& call) {
                                        return call.call == platform::sys::Call::Rename &&
                                               call.path.find("renames.new-") != std::string::npos;
                                    }),
              3)
        << "a b and c d, then f g, x y and h i, then x y's record dropped";
    EXPECT_EQ(form.lstOpenFileName.Items(),
              (Names{"a b.wav", "c d.wav", "e.wav", "f g.wav", "h i.wav"}));
    EXPECT_EQ(platform.interactions,
              (Names{"Tarn MP3 Encoder (x): The file could not be renamed to ab.wav:\nFile "
                     "exists.\nIt was not added to the list.",
                     "Tarn MP3 Encoder (x): The file is too short to be a WAV file:\n" +
                         dir.File("x y.wav")}));
    Names recorded;
    for (const NameJournal::Entry& entry : journal.Entries().ValueOr({})) {
        recorded.push_back(fs::path(entry.chosenPath).filename());
    }
    EXPECT_EQ(recorded, (Names{"a b.wav", "c d.wav", "f g.wav", "h i.wav"}));
    EXPECT_TRUE(fs::exists(dir.File("x y.wav")));
}

// A path with a NUL byte, or not absolute, is refused before anything looks at it.
TEST_F(FileListTest, APathWithANulOrARelativePathIsRefusedAtTheDoor) {
    NameJournal journal(dir.File(".state/renames"));
    form.UseNameJournal(&journal);
    WriteWav(dir.File("a b.wav"), WavSpec{});
    const std::string withNul = dir.File("a b.wav") + std::string("\0c.wav", 6);
    form.AddChosenFiles({withNul, "a b.wav", dir.File("a b.wav")});
    EXPECT_EQ(platform.interactions,
              (Names{"Tarn MP3 Encoder (x): The file cannot be added: its path holds a NUL "
                     "character:\n" +
                         dir.File("a b.wav") + "\\0c.wav",
                     "Tarn MP3 Encoder (x): The file cannot be added: its path is not a full "
                     "path:\na b.wav"}));
    EXPECT_EQ(form.lstOpenFileName.Items(), Names{"a b.wav"});
}

} // namespace
} // namespace tarn
