// Faults met during adds and jobs: files that change under a job, writes that fail, folders that
// cannot be written, names at the limit, leaving while an aborted run finishes, hostile input.
// Each ends with a clear message where the user must act, and no file or name lost.
#include "filelist/NameJournal.h"
#include "shell/frmMain.h"
#include "support/JobFixture.h"
#include "support/RiffBuilder.h"
#include "support/TableRows.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::Names;
using testing::PrintTo;
using testing::RowName;

constexpr const char* kTitle = "Tarn MP3 Encoder";
constexpr const char* kErrorTitle = "Critical error...";
const std::string kJobDone = std::string(kTitle) + ": " + "           Job done!";

using testing::Contents;
using testing::InChild;
using testing::Length;
using testing::Seen;

// Whole jobs with real WAV files and the real encoder, with the name journal kept as the program
// keeps it.
class FaultTest : public testing::JobFixture {
protected:
    void SetUp() override {
        form.UseNameJournal(&journal);
        JobFixture::SetUp();
    }

    // Writes `seconds` of CD sound under `name` and keeps its bytes to compare with later.
    void Write(const std::string& name, double seconds) {
        WriteSound(name, seconds);
        originals[name] = Contents(dir.File(name));
    }
    void WriteAndAdd(const std::string& name, double seconds) {
        Write(name, seconds);
        Add(name);
    }

    // Calls `probe` at every event processing from now on.
    void AtEveryPause(std::function<void()> probe) {
        probe_ = std::move(probe);
        ScheduleProbe();
    }

    // Every file written by the test that is still there has the bytes it was written with.
    void ExpectSourcesIntact() {
        for (const auto& [name, bytes] : originals) {
            if (fs::exists(dir.File(name))) {
                EXPECT_TRUE(Contents(dir.File(name)) == bytes) << name;
            }
        }
    }

    testing::TempDir stateDir;
    NameJournal journal{stateDir.File("renames")};
    std::map<std::string, std::string> originals;

private:
    void ScheduleProbe() {
        platform.AtDoEvents(1, [this] {
            probe_();
            ScheduleProbe();
        });
    }
    std::function<void()> probe_;
};

// ---- Abort during the second of three runs, then leaving or staying ----

enum class Leave { Stay, ExitButton, WindowClose, Shutdown };
enum class Meanwhile { Nothing, AddAFile, AddAFileAndGo };

struct LeaveCase {
    const char* name;
    bool abortFirst;
    Meanwhile meanwhile;
    Leave how;
    bool deleteSource = false;
};

class LeaveAfterAbortTest : public FaultTest, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(LeaveAfterAbortTest, WaitsUntilTheRunHasReturnedThenGivesEveryNameBack) {
    const LeaveCase& c = GetParam();
    const bool newJob = c.how == Leave::Stay && c.meanwhile == Meanwhile::AddAFileAndGo;
    form.chkDelete.SetValue(c.deleteSource ? forms::Checked : forms::Unchecked);
    WriteAndAdd("one a.wav", 3);
    WriteAndAdd("two b.wav", 3);
    WriteAndAdd("three c.wav", 3);
    Write("next one.wav", 1);
    bool asked = false;
    bool cancelled = false;
    int unloadsWhenAsked = -1;
    AtEveryPause([&] {
        if (asked || Length(dir.File("twob.mp3")) <= 0) {
            return;
        }
        asked = true;
        if (c.abortFirst) {
            form.cmdAbort.Click.Raise();
            ASSERT_TRUE(form.cmdExit.Enabled());
        }
        if (c.meanwhile != Meanwhile::Nothing) {
            Add("next one.wav");
            ASSERT_EQ(form.FileCount, 1);
        }
        if (c.meanwhile == Meanwhile::AddAFileAndGo) {
            form.cmdGo.Click.Raise();
        }
        switch (c.how) {
        case Leave::Stay:
            break;
        case Leave::ExitButton:
            form.cmdExit.Click.Raise();
            break;
        case Leave::WindowClose:
            form.Form_QueryUnload(cancelled);
            break;
        case Leave::Shutdown:
            form.Shutdown();
            break;
        }
        unloadsWhenAsked = platform.unloadCalls;
        // The run still holds its files under their cleaned names.
        EXPECT_TRUE(form.Loaded());
        EXPECT_TRUE(fs::exists(dir.File("twob.wav")));
    });
    Go();
    ASSERT_TRUE(asked);
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(unloadsWhenAsked, 0) << "the window was unloaded while the run was still writing";
    EXPECT_EQ(cancelled, c.how == Leave::WindowClose);
    EXPECT_EQ(platform.unloadCalls, c.how == Leave::Stay ? 0 : 1);
    EXPECT_EQ(form.Loaded(), c.how == Leave::Stay);
    EXPECT_FALSE(form.JobActive());

    // The aborted run stopped and the third entry was never encoded; a file added meanwhile is
    // encoded only by a new job the window stays open for.
    Names names{"next one.wav", "one a.mp3", "one a.wav", "three c.wav", "two b.mp3", "two b.wav"};
    if (newJob) {
        names.insert(names.begin(), "next one.mp3");
    }
    EXPECT_EQ(dir.Names(), names);
    EXPECT_LT(Length(dir.File("two b.mp3")), Length(dir.File("one a.mp3")));
    EXPECT_GT(Length(dir.File("two b.mp3")), 0);
    ExpectSourcesIntact();
    EXPECT_TRUE(journal.Entries().empty());
    EXPECT_EQ(Seen(platform), (newJob ? Names{"beep", kJobDone} : Names{}));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, LeaveAfterAbortTest,
    ::testing::Values(
        LeaveCase{"exit_button", true, Meanwhile::Nothing, Leave::ExitButton},
        LeaveCase{"window_close_after_adding_a_file", true, Meanwhile::AddAFile,
                  Leave::WindowClose},
        LeaveCase{"shutdown_during_the_run", false, Meanwhile::Nothing, Leave::Shutdown},
        LeaveCase{"shutdown_after_abort_and_go", true, Meanwhile::AddAFileAndGo, Leave::Shutdown},
        LeaveCase{"stay_with_delete_source_ticked", true, Meanwhile::Nothing, Leave::Stay, true},
        LeaveCase{"stay_and_go_for_a_new_job", true, Meanwhile::AddAFileAndGo, Leave::Stay}),
    RowName);

// ---- The output cannot be written ----

TEST_F(FaultTest, AWriteOverTheFileSizeLimitStopsThatFileOnlyAndTheJobGoesOn) {
    WriteAndAdd("one a.wav", 1);
    WriteAndAdd("two b.wav", 3);
    WriteAndAdd("three c.wav", 1);
    // A limit on the size of every file the process writes makes write(2) fail part way, as a
    // full disk does: one second of MP3 fits, three do not. The limit holds in the child only.
    const std::optional<Names> seen = InChild([this] {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit { 30000, 30000 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
        Go();
        if (!WaitForTheEnd()) {
            return Names{"the job did not end"};
        }
        return Seen(platform);
    });
    ASSERT_TRUE(seen.has_value()) << "the child did not end normally";
    EXPECT_EQ(*seen, (Names{std::string(kErrorTitle) + ": The MP3 file cannot be written:\n" +
                                dir.File("twob.mp3") + "\nFile too large.",
                            "beep", kJobDone}));
    // The partial MP3 file is gone; every WAV file has its name back.
    EXPECT_EQ(dir.Names(),
              (Names{"one a.mp3", "one a.wav", "three c.mp3", "three c.wav", "two b.wav"}));
    EXPECT_GT(Length(dir.File("three c.mp3")), 0);
    ExpectSourcesIntact();
    EXPECT_TRUE(journal.Entries().empty());
}

// ---- A source that changes during the job ----

enum class Change { Delete, Truncate };

struct SourceCase {
    const char* name;
    Change change;
    const char* readError; // the reason in the message, or empty when there is none
    Names namesAfter;
};

class SourceChangeTest : public FaultTest, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(SourceChangeTest, DuringItsRunTheOtherFilesAreEncodedAndEveryNameComesBack) {
    const SourceCase& c = GetParam();
    WriteAndAdd("one a.wav", 2);
    WriteAndAdd("two b.wav", 2);
    WriteAndAdd("three c.wav", 2);
    constexpr std::uintmax_t kTruncatedLength = 100000;
    bool changed = false;
    AtEveryPause([&] {
        if (changed || Length(dir.File("twob.mp3")) <= 0) {
            return;
        }
        changed = true;
        if (c.change == Change::Delete) {
            fs::remove(dir.File("twob.wav"));
        } else {
            fs::resize_file(dir.File("twob.wav"), kTruncatedLength);
        }
    });
    Go();
    ASSERT_TRUE(changed);
    ASSERT_TRUE(WaitForTheEnd());

    Names expected;
    if (*c.readError != '\0') {
        expected.push_back(std::string(kErrorTitle) + ": The file cannot be read:\n" +
                           dir.File("twob.wav") + "\n" + c.readError);
    }
    expected.insert(expected.end(), {"beep", kJobDone});
    EXPECT_EQ(Seen(platform), expected);
    EXPECT_EQ(dir.Names(), c.namesAfter);
    EXPECT_EQ(Length(dir.File("three c.mp3")), Length(dir.File("one a.mp3")));
    if (c.change == Change::Truncate) {
        EXPECT_TRUE(Contents(dir.File("two b.wav")) ==
                    originals["two b.wav"].substr(0, kTruncatedLength));
        originals.erase("two b.wav");
    }
    ExpectSourcesIntact();
    EXPECT_TRUE(journal.Entries().empty());
}

const Names kWithoutSecondMp3{"one a.mp3", "one a.wav", "three c.mp3", "three c.wav", "two b.wav"};
const Names kWithoutSecondWav{"one a.mp3", "one a.wav", "three c.mp3", "three c.wav", "two b.mp3"};

INSTANTIATE_TEST_SUITE_P(Changes, SourceChangeTest,
                         ::testing::Values(
                             // The run reads on from the file it has open, to the end.
                             SourceCase{"deleted", Change::Delete, "", kWithoutSecondWav},
                             SourceCase{"truncated", Change::Truncate,
                                        "It ended before the end of its sound data.",
                                        kWithoutSecondMp3}),
                         RowName);

// ---- A folder the user cannot write ----

TEST_F(FaultTest, AReadOnlyFolderMakesTheAddsRenameFailAndNothingChanges) {
    const std::string folder = dir.File("read only");
    fs::create_directory(folder);
    const std::string file = folder + "/my song.wav";
    testing::WriteWav(file, {.frames = 44100});
    const std::string bytes = Contents(file);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    // Root may rename anywhere: the add runs in a child that has given up root.
    for (const testing::TempDir* top : {&dir, &stateDir}) {
        ASSERT_EQ(::chmod(top->Path().c_str(), 0777), 0);
    }
    const std::optional<Names> seen = InChild([&] {
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return Names{"could not give up root"};
        }
        form.AddChosenFile(file);
        Names report = Seen(platform);
        report.push_back("listed " + std::to_string(form.FileCount));
        return report;
    });
    ASSERT_TRUE(seen.has_value()) << "the child did not end normally";
    EXPECT_EQ(*seen,
              (Names{std::string(kTitle) + ": The file could not be renamed to mysong.wav:\n"
                                           "Permission denied.\nIt was not added to the list.",
                     "listed 0"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    EXPECT_TRUE(Contents(file) == bytes);
    EXPECT_TRUE(journal.Entries().empty());
}

// ---- A name taken at the end of the job ----

TEST_F(FaultTest, NamesTakenAtTheEndAreNeverReplacedAndReportedOnceNotAgainAtTheNextStart) {
    WriteAndAdd("my song.wav", 1);
    testing::WriteBytes(dir.File("my song.mp3"), {'k', 'e', 'e', 'p'});
    AtEveryPause([&] {
        if (!fs::exists(dir.File("my song.wav"))) {
            testing::WriteBytes(dir.File("my song.wav"), {'n', 'e', 'w'});
        }
    });
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(Seen(platform),
              (Names{"beep", kJobDone,
                     std::string(kTitle) +
                         " (!): These files keep the names they have, since they could not be "
                         "renamed:\n" +
                         dir.File("mysong.wav") + "\n    to my song.wav: File exists.\n" +
                         dir.File("mysong.mp3") + "\n    to my song.mp3: File exists."}));
    const Names after{"my song.mp3", "my song.wav", "mysong.mp3", "mysong.wav"};
    EXPECT_EQ(dir.Names(), after);
    EXPECT_EQ(Contents(dir.File("my song.mp3")), "keep");
    EXPECT_TRUE(Contents(dir.File("mysong.wav")) == originals["my song.wav"]);
    EXPECT_EQ(Contents(dir.File("my song.wav")), "new");

    testing::TestPlatform nextPlatform;
    frmMain next{nextPlatform.Bundle()};
    next.UseNameJournal(&journal);
    next.RecoverNames();
    EXPECT_TRUE(nextPlatform.Messages().empty());
    EXPECT_EQ(dir.Names(), after);
}

// ---- Killed in the middle of a job ----

TEST_F(FaultTest, AJobKilledMidwayIsPutRightAtTheNextStart) {
    WriteAndAdd("one a.wav", 1);
    WriteAndAdd("two b.wav", 1);
    WriteAndAdd("three.wav", 1);
    const std::string cutShort = dir.File("twob.mp3");
    // Dies as soon as the second run has written something, as under SIGKILL.
    ASSERT_TRUE(InChild([&] {
        AtEveryPause([&] {
            if (Length(cutShort) > 0) {
                std::_Exit(0);
            }
        });
        Go();
        return Names{};
    }));
    ASSERT_EQ(dir.Names(), (Names{"onea.mp3", "onea.wav", "three.wav", "twob.mp3", "twob.wav"}));
    const std::string finished = Contents(dir.File("onea.mp3"));

    testing::TestPlatform nextPlatform;
    frmMain next{nextPlatform.Bundle()};
    next.UseNameJournal(&journal);
    next.RecoverNames();
    // The finished MP3 takes its name, the one cut short is gone; nothing is left to report.
    EXPECT_EQ(dir.Names(), (Names{"one a.mp3", "one a.wav", "three.wav", "two b.wav"}));
    EXPECT_EQ(Contents(dir.File("one a.mp3")), finished);
    ExpectSourcesIntact();
    EXPECT_TRUE(nextPlatform.Messages().empty());
    EXPECT_TRUE(journal.Entries().empty());
}

// ---- 99 files with names at the length limit ----

// A name of NAME_MAX bytes with spaces and hyphens, different from the others in its number.
std::string LongName(int number) {
    std::string name = "track " + std::to_string(100 + number).substr(1) + " - ";
    while (name.size() < 251) {
        name += "a long-winded name ";
    }
    name.resize(251);
    return name + ".wav";
}

TEST_F(FaultTest, NinetyNineLongNamesSurviveAWholeJob) {
    ASSERT_EQ(LongName(1).size(), 255U);
    if (::pathconf(dir.Path().c_str(), _PC_NAME_MAX) < 255) {
        GTEST_SKIP() << "the temporary folder takes shorter names";
    }
    Names all;
    for (int i = 1; i <= frmMain::kMaxEntries; ++i) {
        WriteAndAdd(LongName(i), 0.05);
        all.push_back(LongName(i));
    }
    ASSERT_EQ(form.FileCount, frmMain::kMaxEntries);
    EXPECT_EQ(form.lstOpenFileName.Items(), all);
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(Seen(platform), (Names{"beep", kJobDone}));
    for (int i = 1; i <= frmMain::kMaxEntries; ++i) {
        all.push_back(LongName(i).substr(0, 252) + "mp3");
        EXPECT_GT(Length(dir.File(all.back())), 0) << all.back();
    }
    std::sort(all.begin(), all.end());
    EXPECT_EQ(dir.Names(), all);
    ExpectSourcesIntact();
    EXPECT_TRUE(journal.Entries().empty());
}

// ---- Hostile input ----

struct BadFileCase {
    const char* name;
    const char* file;
    std::function<void(const std::string&)> make;
    const char* message; // followed by the file's path
};

class BadFileTest : public FaultTest, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(BadFileTest, IsRefusedBeforeAnythingIsRenamed) {
    const BadFileCase& c = GetParam();
    const std::string path = dir.File(c.file);
    c.make(path);
    // A writer on a named pipe keeps a reader from waiting for one, should the pipe be read.
    const int writer = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
    const Names before = dir.Names();
    const std::string bytes = fs::is_regular_file(path) ? Contents(path) : "";

    form.AddChosenFile(path);
    if (writer >= 0) {
        ::close(writer);
    }
    EXPECT_EQ(Seen(platform), (Names{std::string(kTitle) + ": " + c.message + "\n" + path}));
    EXPECT_EQ(form.FileCount, 0);
    EXPECT_EQ(form.lstOpenFileName.ListCount(), 0);
    EXPECT_FALSE(form.cmdGo.Enabled());
    EXPECT_EQ(dir.Names(), before);
    EXPECT_EQ(fs::is_regular_file(path) ? Contents(path) : "", bytes);
    EXPECT_TRUE(journal.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadFileTest,
    ::testing::Values(
        BadFileCase{"folder", "my folder.wav",
                    [](const std::string& path) { fs::create_directory(path); },
                    "Only files can be added to the list:"},
        BadFileCase{"named_pipe", "my pipe.wav",
                    [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); },
                    "Only files can be added to the list:"},
        // Its MP3 file would be itself: Go would delete it as an old output.
        BadFileCase{"wav_named_mp3", "my song.mp3",
                    [](const std::string& path) { testing::WriteWav(path, {.frames = 100}); },
                    "The file cannot be added: its MP3 file would take its name and replace it:"}),
    RowName);

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

TEST_F(FaultTest, AHeaderClaimingThousandsOfChannelsDoesNotMakeTheRunTakeGigabytes) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "the address sanitizer reserves more address space than the limit";
    }
    // 65535 channels of 16 bits: 131070 bytes a frame, 20 frames.
    constexpr int kChannels = 65535;
    const std::string path = dir.File("wide.wav");
    testing::WriteBytes(path, testing::Riff({{"fmt ", testing::Fmt(kChannels, 44100, 16)},
                                             {"data", testing::Bytes(20U * kChannels * 2, 0x11)}}));
    const std::optional<Names> seen = InChild([&] {
        std::ifstream statm("/proc/self/statm");
        long pages = 0;
        statm >> pages;
        const auto inUse = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::getpagesize());
        const rlim_t room = inUse + (512U << 20);
        const struct rlimit limit { room, room };
        ::setrlimit(RLIMIT_AS, &limit);
        form.EncodeFile(path);
        Names report = Seen(platform);
        report.push_back("mp3 " + std::to_string(Length(dir.File("wide.mp3")) > 0));
        return report;
    });
    ASSERT_TRUE(seen.has_value()) << "the run ran out of memory";
    EXPECT_EQ(*seen, Names{"mp3 1"});
}

} // namespace
} // namespace tarn
