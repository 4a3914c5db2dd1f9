// Faults met during jobs: leaving while an aborted run finishes, a full disk, a source that
// changes, names taken at the end, a kill mid-job, names at the length limit, hostile headers.
// Each ends with a clear message where the user must act, and no file or name lost.
#include "filelist/NameJournal.h"
#include "shell/frmMain.h"
#include "support/JobFixture.h"
#include "support/RiffBuilder.h"
#include "support/TableRows.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>
#include <unistd.h>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::Contents;
using testing::InChild;
using testing::Length;
using testing::Names;
using testing::Seen;

const std::string kJobDone = "Tarn MP3 Encoder:            Job done!";

// Whole jobs with the name journal kept as the program keeps it.
class FaultTest : public testing::JobFixture {
protected:
    void SetUp() override {
        form.UseNameJournal(&journal);
        JobFixture::SetUp();
    }
    // Writes `seconds` of CD sound, lists it and keeps its bytes to compare with later.
    void WriteAndAdd(const std::string& name, double seconds) {
        WriteSound(name, seconds);
        originals[name] = Contents(dir.File(name));
        Add(name);
    }
    // Every source written by the test that is still there has the bytes it was written with.
    void ExpectSourcesIntact() {
        for (const auto& [name, bytes] : originals) {
            EXPECT_TRUE(!fs::exists(dir.File(name)) || Contents(dir.File(name)) == bytes) << name;
        }
    }

    testing::TempDir stateDir;
    NameJournal journal{stateDir.File("renames")};
    std::map<std::string, std::string> originals;
};

// ---- Abort during the second of three runs, then leaving or staying ----

struct LeaveCase {
    const char* name;
    // What the user does once the second run has written something; sets `cancelled` when the
    // window manager's close was refused.
    std::function<void(testing::JobFixture&, bool& cancelled)> act;
    bool stays;
    bool newJob;
};

const auto kAbort = [](testing::JobFixture& t) {
    t.form.cmdAbort.Click.Raise();
};

class LeaveAfterAbortTest : public FaultTest, public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(LeaveAfterAbortTest, WaitsUntilTheRunHasReturnedThenGivesEveryNameBack) {
    const LeaveCase& c = GetParam();
    for (const char* name : {"one a.wav", "two b.wav", "three c.wav"}) {
        WriteAndAdd(name, 3);
    }
    WriteSound("next one.wav", 1);
    bool asked = false;
    bool cancelled = false;
    int pausesAfterAsking = 0;
    AtEveryPause([&] {
        pausesAfterAsking += asked ? 1 : 0;
        if (!asked && Length(dir.File("twob.mp3")) > 0) {
            asked = true;
            c.act(*this, cancelled);
            // The run still holds its files under their cleaned names: nothing has gone yet.
            EXPECT_EQ(platform.unloadCalls, 0);
            EXPECT_TRUE(form.Loaded() && fs::exists(dir.File("twob.wav")));
        }
    });
    Go();
    ASSERT_TRUE(asked && WaitForTheEnd());
    EXPECT_EQ(platform.unloadCalls, c.stays ? 0 : 1);
    EXPECT_EQ(form.Loaded(), c.stays);
    // At most the rest of the run's pause: giving the names back lets no event in.
    EXPECT_TRUE(c.newJob || pausesAfterAsking <= 1) << pausesAfterAsking;
    EXPECT_EQ(cancelled, std::string(c.name) == "window_close_after_adding_a_file");
    // The aborted run stopped and the third entry was never encoded; a file added meanwhile is
    // encoded only by a new job the window stays open for.
    Names names{"next one.wav", "one a.mp3", "one a.wav", "three c.wav", "two b.mp3", "two b.wav"};
    if (c.newJob) {
        names.insert(names.begin(), "next one.mp3");
    }
    if (std::string(c.name) == "list_a_file_of_the_job_again") {
        names[3] = "threec.wav"; // listed again, it keeps the name it is listed under
        journal.Forget(dir.File("threec.wav"));
    }
    EXPECT_EQ(dir.Names(), names);
    EXPECT_LT(Length(dir.File("two b.mp3")), Length(dir.File("one a.mp3")));
    EXPECT_GT(Length(dir.File("two b.mp3")), 0);
    ExpectSourcesIntact();
    EXPECT_EQ(Seen(platform), (c.newJob ? Names{"beep", kJobDone} : Names{}));
    EXPECT_TRUE(journal.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, LeaveAfterAbortTest,
    ::testing::Values(LeaveCase{"exit_button",
                                [](auto& job, bool&) {
                                    kAbort(job);
                                    job.form.cmdExit.Click.Raise();
                                },
                                false, false},
                      LeaveCase{"window_close_after_adding_a_file",
                                [](auto& job, bool& cancelled) {
                                    kAbort(job);
                                    job.Add("next one.wav");
                                    job.form.Form_QueryUnload(cancelled);
                                },
                                false, false},
                      LeaveCase{"shutdown_during_the_run",
                                [](auto& job, bool&) { job.form.Shutdown(); }, false, false},
                      LeaveCase{"shutdown_after_abort_and_go",
                                [](auto& job, bool&) {
                                    kAbort(job);
                                    job.Add("next one.wav");
                                    job.form.cmdGo.Click.Raise();
                                    job.form.Shutdown();
                                },
                                false, false},
                      LeaveCase{"stay_with_delete_source_ticked",
                                [](auto& job, bool&) {
                                    job.form.chkDelete.SetValue(forms::Checked);
                                    kAbort(job);
                                },
                                true, false},
                      LeaveCase{"stay_and_go_for_a_new_job",
                                [](auto& job, bool&) {
                                    kAbort(job);
                                    job.Add("next one.wav");
                                    job.form.cmdGo.Click.Raise();
                                },
                                true, true},
                      LeaveCase{"go_then_clear_the_list",
                                [](auto& job, bool&) {
                                    kAbort(job);
                                    job.Add("next one.wav");
                                    job.form.cmdGo.Click.Raise();
                                    job.form.cmdClearList.Click.Raise();
                                },
                                true, false},
                      // Chosen under the name it carries while the run still holds it.
                      LeaveCase{"list_a_file_of_the_job_again",
                                [](auto& job, bool&) {
                                    kAbort(job);
                                    job.Add("threec.wav");
                                },
                                true, false}),
    testing::RowName);

// ---- The output cannot be written; a source changes under the job ----

TEST_F(FaultTest, AFullDiskStopsThatFileOnlyAndTheJobGoesOn) {
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
    EXPECT_EQ(*seen, (Names{"Critical error...: The MP3 file cannot be written:\n" +
                                dir.File("twob.mp3") + "\nFile too large.",
                            "beep", kJobDone}));
    EXPECT_EQ(dir.Names(),
              (Names{"one a.mp3", "one a.wav", "three c.mp3", "three c.wav", "two b.wav"}));
    EXPECT_GT(Length(dir.File("three c.mp3")), 0);
    ExpectSourcesIntact();
    EXPECT_TRUE(journal.Entries().empty());
}

class SourceChangeTest : public FaultTest, public ::testing::WithParamInterface<bool> {};

// A deleted source is read on from the file the run holds open; one cut short stops its run,
// and its partial MP3 file is removed. The other files are encoded; every name comes back.
TEST_P(SourceChangeTest, DuringItsRunTheOtherFilesAreEncodedAndEveryNameComesBack) {
    const bool deleted = GetParam();
    WriteAndAdd("one a.wav", 2);
    WriteAndAdd("two b.wav", 2);
    WriteAndAdd("three c.wav", 2);
    bool changed = false;
    AtEveryPause([&] {
        if (!changed && Length(dir.File("twob.mp3")) > 0) {
            changed = true;
            deleted ? fs::remove(dir.File("twob.wav"))
                    : (fs::resize_file(dir.File("twob.wav"), 100000), true);
        }
    });
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    Names expected{"beep", kJobDone};
    if (!deleted) {
        expected.insert(expected.begin(), "Critical error...: The file cannot be read:\n" +
                                              dir.File("twob.wav") +
                                              "\nIt ended before the end of its sound data.");
        originals.erase("two b.wav");
    }
    EXPECT_EQ(Seen(platform), expected);
    EXPECT_EQ(dir.Names(), (Names{"one a.mp3", "one a.wav", "three c.mp3", "three c.wav",
                                  deleted ? "two b.mp3" : "two b.wav"}));
    EXPECT_EQ(Length(dir.File("three c.mp3")), Length(dir.File("one a.mp3")));
    ExpectSourcesIntact();
    EXPECT_TRUE(journal.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(DeletedOrCutShort, SourceChangeTest, ::testing::Bool());

// ---- Names taken at the end of the job ----

TEST_F(FaultTest, NamesTakenAtTheEndAreTriedThreeTimesNeverReplacedAndReportedOnce) {
    WriteAndAdd("my song.wav", 1);
    WriteAndAdd("free later.wav", 1);
    testing::WriteBytes(dir.File("my song.mp3"), {'k', 'e', 'e', 'p'});
    testing::WriteBytes(dir.File("free later.mp3"), {'o', 'l', 'd'});
    // "my song.wav" comes back whenever it goes; "free later.mp3" goes in the second try for
    // its entry.
    int pausesAtTheEnd = 0;
    int pausesForTheSecond = 0;
    AtEveryPause([&] {
        if (!fs::exists(dir.File("my song.wav"))) {
            testing::WriteBytes(dir.File("my song.wav"), {'n', 'e', 'w'});
        }
        if (!form.JobActive()) {
            EXPECT_FALSE(form.Timer1.Enabled() || form.tmrProgress.Enabled() ||
                         form.tmrTotal.Enabled());
            ++pausesAtTheEnd;
            if (fs::exists(dir.File("free later.wav")) && ++pausesForTheSecond == 3) {
                fs::remove(dir.File("free later.mp3"));
            }
        }
    });
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    // Two pauses for each try: three tries for the first entry, two for the second.
    EXPECT_EQ(pausesAtTheEnd, 10);
    // The same second of sound: the new MP3 file took its name on the second try.
    EXPECT_TRUE(Contents(dir.File("free later.mp3")) == Contents(dir.File("mysong.mp3")));
    EXPECT_EQ(Seen(platform),
              (Names{"beep", kJobDone,
                     "Tarn MP3 Encoder (!): These files keep the names they have, since they could "
                     "not be renamed:\n" +
                         dir.File("mysong.wav") + "\n    to my song.wav: File exists.\n" +
                         dir.File("mysong.mp3") + "\n    to my song.mp3: File exists."}));
    const Names after{"free later.mp3", "free later.wav", "my song.mp3",
                      "my song.wav",    "mysong.mp3",     "mysong.wav"};
    EXPECT_EQ(dir.Names(), after);
    EXPECT_EQ(Contents(dir.File("my song.mp3")), "keep");
    EXPECT_EQ(Contents(dir.File("my song.wav")), "new");
    EXPECT_TRUE(Contents(dir.File("mysong.wav")) == originals["my song.wav"]);

    // Reported now, so the next start has nothing to do.
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
    // Dies as soon as the second run has written something, as under SIGKILL.
    ASSERT_TRUE(InChild([&] {
        AtEveryPause([&] {
            if (Length(dir.File("twob.mp3")) > 0) {
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

// ---- Names at the length limit, hostile headers ----

TEST_F(FaultTest, NinetyNineNamesOfTheLongestLengthSurviveAWholeJob) {
    if (::pathconf(dir.Path().c_str(), _PC_NAME_MAX) < 255) {
        GTEST_SKIP() << "the temporary folder takes shorter names";
    }
    Names all;
    for (int i = 1; i <= frmMain::kMaxEntries; ++i) {
        // 255 bytes with spaces and hyphens, each different in its number.
        std::string name = "track " + std::to_string(100 + i).substr(1) + " - ";
        while (name.size() < 251) {
            name += "a long-winded name ";
        }
        name = name.substr(0, 251) + ".wav";
        WriteAndAdd(name, 0.05);
        all.push_back(name);
        all.push_back(name.substr(0, 252) + "mp3");
    }
    ASSERT_EQ(form.FileCount, frmMain::kMaxEntries);
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(Seen(platform), (Names{"beep", kJobDone}));
    std::sort(all.begin(), all.end());
    EXPECT_EQ(dir.Names(), all);
    ExpectSourcesIntact();
    EXPECT_TRUE(journal.Entries().empty());
}

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
        const rlim_t room =
            static_cast<rlim_t>(pages) * static_cast<rlim_t>(::getpagesize()) + (512U << 20);
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
