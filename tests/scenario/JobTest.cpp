// Whole jobs with real WAV files and the real encoder, and the faults met during them.
#include "journal/NameJournal.h"
#include "shell/frmMain.h"
#include "support/FaultySystem.h"
#include "support/JobFixture.h"
#include "support/TableRows.h"
#include "support/WavFiles.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sstream>
#include <sys/resource.h>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
namespace gm = ::testing;
using testing::Contents;
using testing::Length;
using testing::Names;

constexpr const char* kJobDone = "Tarn MP3 Encoder:            Job done!";

// Jobs with the name journal, the job bar's texts, and whether Go was running at a message.
class JobTest : public testing::JobFixture {
protected:
    void SetUp() override {
        form.UseNameJournal(&journal);
        JobFixture::SetUp();
        form.lblTotal.Change.ConnectForEventLifetime(
            [this] { totals.push_back(form.lblTotal.Caption()); });
        platform.onMessage = [this](const platform::MessageBoxRequest&) {
            totalsAtMessage = totals;
            runningAtMessage = running;
        };
    }
    void Go() {
        running = true;
        JobFixture::Go();
        running = false;
    }
    // Lists each name with `seconds` of CD sound, keeping its bytes to compare with later.
    void WriteAndAdd(std::initializer_list<const char*> names, double seconds) {
        for (const char* name : names) {
            WriteSound(name, seconds);
            originals[name] = Contents(dir.File(name));
            Add(name);
        }
    }
    bool CloseRefused() {
        bool cancel = false;
        form.Form_QueryUnload(cancel);
        return cancel;
    }
    // Every source still there has the bytes it was written with; the journal keeps nothing.
    void ExpectSourcesIntact() {
        for (const auto& [name, bytes] : originals) {
            if (fs::exists(dir.File(name))) {
                EXPECT_TRUE(Contents(dir.File(name)) == bytes) << name;
            }
        }
        EXPECT_FALSE(fs::exists(journal.Path()));
    }
    // Calls `change` once, at the first pause in which the second entry is shown and its run has
    // written something.
    void WhenTheSecondRunHasWritten(const std::function<void()>& change) {
        AtEveryPause([this, change, done = false]() mutable {
            if (!done && form.ShownEntry == 2 && Length(dir.File("twob.mp3")) > 0) {
                done = true;
                change();
            }
        });
    }

    testing::TempDir stateDir;
    NameJournal journal{stateDir.File("renames")};
    std::map<std::string, std::string> originals;
    bool running = false, runningAtMessage = true;
    Names totals, totalsAtMessage;
    frmMain::JobOutcome outcome;
    const forms::Connection ended =
        form.JobEnded.Connect([this](const frmMain::JobOutcome& told) { outcome = told; });
};

TEST_F(JobTest, RunsEveryEntryInOrderAndEndsOnce) {
    Listed("first song.wav", 3);
    Listed("second.wav", 2);
    Listed("third-cut.wav", 1);
    testing::WriteBytes(dir.File("thirdcut.mp3"), std::vector<std::uint8_t>(100000, 'x'));
    // At every pause of the runs, the lengths of the outputs; at the first, the window's state.
    std::vector<std::vector<std::int64_t>> lengths;
    AtEveryPause([&] {
        if (!running) {
            return;
        }
        lengths.push_back({Length(dir.File("firstsong.mp3")), Length(dir.File("second.mp3")),
                           Length(dir.File("thirdcut.mp3"))});
        if (lengths.size() == 1) {
            EXPECT_EQ(std::tuple(EnabledControls(), TimersEnabled(), form.ShownEntry),
                      std::tuple(Names{"cmdAbort", "cmdHelp"}, std::tuple(true, true, true), 1));
            EXPECT_TRUE(CloseRefused());
        }
    });
    Go();
    EXPECT_TRUE(platform.Messages().empty()) << "the job ends at a tick after Go has returned";
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(platform.interactions, (Names{"beep", kJobDone}));
    EXPECT_FALSE(runningAtMessage);
    const std::string top = *std::ranges::max_element(
        totalsAtMessage, {}, [](const std::string& text) { return std::stoi(text); });
    EXPECT_THAT(std::stoi(top), gm::AllOf(gm::Ge(100), gm::Le(105))) << "every entry counts";
    EXPECT_EQ(dir.Names(), (Names{"first song.mp3", "first song.wav", "second.mp3", "second.wav",
                                  "third-cut.mp3", "third-cut.wav"}));
    ExpectIdle();
    EXPECT_EQ(platform.unloadCalls, 0) << "the refused close was carried out later";

    // The old output went before the first run; each run starts once the one before is done.
    ASSERT_GE(lengths.at(0)[0], 0);
    const auto first = Length(dir.File("first song.mp3")), second = Length(dir.File("second.mp3"));
    for (const auto& seen : lengths) { // -1 for a file not there yet
        EXPECT_EQ(seen[1] < 0 ? first : seen[0], first);
        EXPECT_EQ(seen[2] < 0 ? second : seen[1], second);
    }
}

// Runs at once write the bytes and names that one run at a time writes, and say the same at the
// same point: a failure once every run before it has ended.
TEST_F(JobTest, RunsAtOnceWriteWhatOneRunWritesAndSayItInTableOrder) {
    const auto describe = [this] {
        std::string state;
        for (const std::string& name : dir.Names()) {
            state += name + " " + Contents(dir.File(name)).substr(0, 4096) + "\n";
        }
        return state;
    };
    std::vector<std::string> seen;
    for (const int lanes : {1, 2, 3}) {
        platform.UseLanes(lanes);
        std::string said;
        platform.onMessage = [&](const platform::MessageBoxRequest& message) {
            said += message.Text + "\n" + describe();
        };
        for (const auto& [name, seconds] : {std::pair{"long one.wav", 3.0},
                                            {"short two.wav", 0.5},
                                            {"bad three.wav", 0.5},
                                            {"last four.wav", 1.0}}) {
            WriteSound(name, seconds);
            Add(name);
        }
        // Refused by its run only.
        testing::WriteWav(form.FilePaths[3], {.bitsPerSample = 24});
        Go();
        ASSERT_TRUE(WaitForTheEnd());
        seen.push_back(said + describe() + Names{platform.interactions}.back());
        fs::remove_all(dir.Path());
        fs::create_directories(dir.Path());
        platform.interactions.clear();
    }
    EXPECT_EQ(seen[1], seen[0]);
    EXPECT_EQ(seen[2], seen[0]);
}

// An abort at any pause of two runs at once: the shown entry's MP3 file stays as a lone run
// leaves it; an entry after it has none, even one that was finished; every name comes back.
TEST_F(JobTest, AnAbortOfRunsAtOnceLeavesNoMp3FileAfterTheShownEntry) {
    platform.UseLanes(2);
    const Names stems{"one a", "two b", "three c"};
    for (int pause = 1, shown = 1; shown != 0 && !HasFailure(); ++pause) {
        SCOPED_TRACE("abort at pause " + std::to_string(pause));
        // The second one ends before the first.
        for (const auto& [name, seconds] :
             {std::pair{"one a.wav", 1.0}, {"two b.wav", 0.1}, {"three c.wav", 1.0}}) {
            WriteSound(name, seconds);
            originals[name] = Contents(dir.File(name));
            Add(name);
        }
        shown = 0;
        platform.AtDoEvents(pause, [&] {
            shown = form.ShownEntry;
            form.cmdAbort.Click.Raise();
        });
        Go();
        ASSERT_TRUE(WaitForTheEnd());
        Names names{"one a.wav", "three c.wav", "two b.wav"};
        for (int entry = 1; entry <= std::min(shown, 3); ++entry) {
            EXPECT_GT(Length(dir.File(stems[entry - 1] + ".mp3")), 0);
            names.push_back(stems[entry - 1] + ".mp3");
        }
        std::ranges::sort(names);
        EXPECT_EQ(dir.Names(), shown != 0 ? names : dir.Names());
        ExpectSourcesIntact();
        for (const std::string& stem : stems) {
            fs::remove(dir.File(stem + ".mp3"));
        }
    }
}

TEST_F(JobTest, TheJobEndsOnlyOnceItsLastRunHasReturned) {
    // Short files outgrow their estimate: on a slow machine the bar reads 100 % before the end.
    platform.doEventsCost = 400ms;
    for (const char* name : {"one a.wav", "two b.wav", "three c.wav"}) {
        Listed(name, 1);
    }
    bool ticked100WhileRunning = false;
    const forms::Connection watching = form.tmrTotal.Tick.Connect([&] {
        ticked100WhileRunning = ticked100WhileRunning ||
                                (running && totals.size() > 1 && std::stoi(totals.back()) >= 100);
    });
    Go();
    ASSERT_TRUE(ticked100WhileRunning);
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(std::tuple(runningAtMessage, Length(dir.File("three c.mp3")), platform.interactions),
              std::tuple(false, Length(dir.File("one a.mp3")), Names{"beep", kJobDone}));
}

// The user's words once the second run wrote; whether it leaves, a new job runs, a file relisted.
struct LeaveAfterAbort {
    const char* name;
    bool leaves, newJob, relisted;
};

class LeaveAfterAbortTest : public JobTest, public ::testing::WithParamInterface<LeaveAfterAbort> {
protected:
    void Act(const std::string& script) {
        const std::map<std::string, forms::CommandButton*> buttons{{"abort", &form.cmdAbort},
                                                                   {"exit", &form.cmdExit},
                                                                   {"go", &form.cmdGo},
                                                                   {"clear", &form.cmdClearList}};
        std::istringstream words(script);
        for (std::string word; std::getline(words, word, '_');) {
            if (buttons.contains(word)) {
                buttons.at(word)->Click.Raise();
            } else if (word == "close") {
                form.Form_QueryUnload(cancelled);
            } else if (word == "shutdown") {
                form.Shutdown();
            } else if (word == "delete") {
                form.chkDelete.SetValue(forms::Checked);
            } else if (word == "add") {
                Add("next one.wav");
            } else if (word == "relist") {
                Add("twob.wav"); // under the name it carries while the run holds it
            }
        }
    }

    bool cancelled = false;
};

TEST_P(LeaveAfterAbortTest, WaitsUntilTheRunHasReturnedThenGivesEveryNameBack) {
    const LeaveAfterAbort& way = GetParam();
    WriteAndAdd({"one a.wav", "two b.wav", "three c.wav"}, 3);
    WriteSound("next one.wav", 1);
    bool asked = false;
    int pausesAfterAsking = 0;
    AtEveryPause([&] { pausesAfterAsking += asked ? 1 : 0; });
    WhenTheSecondRunHasWritten([&] {
        asked = true;
        Act(way.name);
        // The run still holds its files under their cleaned names: nothing has gone yet.
        EXPECT_EQ(std::tuple(platform.unloadCalls, form.Loaded(), fs::exists(dir.File("twob.wav"))),
                  std::tuple(0, true, true));
    });
    Go();
    ASSERT_TRUE(asked);
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(platform.unloadCalls, way.leaves ? 1 : 0);
    EXPECT_EQ(form.Loaded(), !way.leaves);
    // At most the rest of the run's pause: giving the names back lets no event in.
    EXPECT_LE(pausesAfterAsking, way.newJob ? INT_MAX : 1);
    // The third entry never encoded; a relisted file keeps its names and only its own record.
    const std::string second = way.relisted ? "twob" : "two b";
    Names names{"next one.wav", "one a.mp3",     "one a.wav",
                "three c.wav",  second + ".mp3", second + ".wav"};
    if (way.newJob) {
        names.insert(names.begin(), "next one.mp3");
    }
    if (way.relisted) {
        ASSERT_TRUE(journal.Forget(dir.File("twob.wav")));
    }
    EXPECT_EQ(dir.Names(), names);
    EXPECT_THAT(Length(dir.File(second + ".mp3")),
                gm::AllOf(gm::Gt(0), gm::Lt(Length(dir.File("one a.mp3")))));
    ExpectSourcesIntact();
    EXPECT_EQ(platform.interactions, (way.newJob ? Names{"beep", kJobDone} : Names{}));
}

// clang-format off
constexpr LeaveAfterAbort kWaysToLeave[] = {
    {"abort_exit", true, false, false},     {"abort_add_close", true, false, false},
    {"shutdown", true, false, false},       {"abort_add_go_shutdown", true, false, false},
    {"delete_abort", false, false, false},  {"abort_add_go", false, true, false},
    {"abort_add_go_clear", false, false, false}, {"abort_relist", false, false, true}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Ways, LeaveAfterAbortTest, ::testing::ValuesIn(kWaysToLeave),
                         testing::RowName);

class FilesInAJobTest : public JobTest, public ::testing::WithParamInterface<const char*> {};

// Files handed over during a job or its "Job done!" join the list in order once it has ended.
TEST_P(FilesInAJobTest, JoinTheListInOrderOnceTheJobHasEnded) {
    const bool aborted = std::string(GetParam()) == "aborted";
    Listed("first.wav", 2);
    WriteSound("b c.wav", 1);
    WriteSound("d-e.wav", 1);
    testing::WriteWav(dir.File("low.wav"), {.sampleRate = 22050});
    platform.AtDoEvents(1, [&] {
        form.AddChosenFiles({dir.File("b c.wav"), dir.File("low.wav")});
        if (aborted) {
            form.cmdAbort.Click.Raise();
        }
        EXPECT_EQ(form.FileCount, aborted ? 0 : 1);
    });
    platform.onMessage = [&](const platform::MessageBoxRequest& message) {
        form.AddChosenFiles(message.Text.ends_with("Job done!") ? Names{dir.File("d-e.wav")}
                                                                : Names{});
    };
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    const std::string refusal = "Tarn MP3 Encoder (x): The Sample Rate must be 44.1 or 48 kHz.";
    EXPECT_EQ(platform.interactions, (aborted ? Names{refusal} : Names{"beep", kJobDone, refusal}));
    EXPECT_EQ(
        std::tuple(form.lstOpenFileName.Items(), form.FilePaths[1]),
        std::tuple(aborted ? Names{"b c.wav"} : Names{"b c.wav", "d-e.wav"}, dir.File("bc.wav")));
}

INSTANTIATE_TEST_SUITE_P(Ends, FilesInAJobTest, ::testing::Values("done", "aborted"),
                         testing::RowText);

class FaultDuringTheJobTest : public JobTest, public ::testing::WithParamInterface<const char*> {};

// A source cut short loses its output; a deleted one is read on; the rest encoded, names back.
TEST_P(FaultDuringTheJobTest, StopsThatFileOnlyAndEveryNameComesBack) {
    const std::string fault = GetParam();
    WriteAndAdd({"one a.wav"}, 1);
    WriteAndAdd({"two b.wav"}, 3);
    WriteAndAdd({"three c.wav"}, 1);
    WhenTheSecondRunHasWritten([&] {
        fault == "deleted" ? void(fs::remove(dir.File("twob.wav")))
                           : fs::resize_file(dir.File("twob.wav"), 100000);
    });
    // "Delete source" keeps the cleaned names of the files encoded, and of no other.
    const bool keep = fault == "cut_short";
    form.chkDelete.SetValue(keep ? forms::Checked : forms::Unchecked);
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    Names expected{"beep", kJobDone};
    if (fault == "cut_short") {
        expected.insert(expected.begin(), "Critical error... (x): The file cannot be read:\n" +
                                              dir.File("twob.wav") +
                                              "\nIt ended before the end of its sound data.");
        originals.erase("two b.wav");
    }
    EXPECT_EQ(platform.interactions, expected);
    EXPECT_EQ(dir.Names(),
              (Names{"one a.mp3", keep ? "onea.wav" : "one a.wav", "three c.mp3",
                     keep ? "threec.wav" : "three c.wav", keep ? "two b.wav" : "two b.mp3"}));
    EXPECT_EQ(Length(dir.File("three c.mp3")), Length(dir.File("one a.mp3")));
    ExpectSourcesIntact();
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultDuringTheJobTest, ::testing::Values("deleted", "cut_short"),
                         testing::RowText);

TEST_F(JobTest, NamesTakenAtTheEndAreTriedThreeTimesNeverReplacedAndReported) {
    WriteAndAdd({"my song.wav", "free later.wav"}, 1);
    testing::WriteBytes(dir.File("my song.mp3"), {'k', 'e', 'e', 'p'});
    testing::WriteBytes(dir.File("free later.mp3"), {'o', 'l', 'd'});
    // "my song.wav" comes back whenever it goes; "free later.mp3" goes in its entry's second try.
    int pausesAtTheEnd = 0, pausesForTheSecond = 0;
    AtEveryPause([&] {
        if (!fs::exists(dir.File("my song.wav"))) {
            testing::WriteBytes(dir.File("my song.wav"), {'n', 'e', 'w'});
        }
        if (!form.JobActive()) {
            EXPECT_EQ(TimersEnabled(), std::tuple(false, false, false));
            // Closing now would give the names back underneath.
            EXPECT_TRUE(CloseRefused());
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
    EXPECT_EQ(std::tuple(outcome.mp3Files, outcome.troubles, outcome.aborted),
              std::tuple(2, true, false));
    // The same second of sound: the new MP3 file took its name on the second try.
    EXPECT_TRUE(Contents(dir.File("free later.mp3")) == Contents(dir.File("mysong.mp3")));
    EXPECT_EQ(platform.interactions,
              (Names{"beep", kJobDone,
                     "Tarn MP3 Encoder (!): These files keep the names they have, since they could "
                     "not be renamed:\n" +
                         dir.File("mysong.wav") + "\n    to my song.wav: File exists.\n" +
                         dir.File("mysong.mp3") +
                         "\n    to my song.mp3: File exists.\nThe program tries again when it "
                         "next starts."}));
    EXPECT_EQ(dir.Names(), (Names{"free later.mp3", "free later.wav", "my song.mp3", "my song.wav",
                                  "mysong.mp3", "mysong.wav"}));
    EXPECT_EQ(Contents(dir.File("my song.mp3")) + Contents(dir.File("my song.wav")), "keepnew");
    EXPECT_TRUE(Contents(dir.File("mysong.wav")) == originals["my song.wav"]);
    const auto kept = journal.Entries().ValueOr({});
    ASSERT_EQ(kept.size(), 2U);
    EXPECT_EQ(std::tuple(kept[0].chosenPath, kept[1].chosenPath, kept[1].kind),
              std::tuple(dir.File("my song.wav"), dir.File("my song.mp3"),
                         NameJournal::Kind::OutputFinished));
}

// A finished MP3 file that cannot be synced, even on its own, goes, said; the job in trouble.
TEST_F(JobTest, AFinishedFileThatCannotBeMadeDurableIsRemovedAndSaid) {
    WriteAndAdd({"one a.wav", "two b.wav"}, 1);
    testing::FaultySystem system;
    system.Refuse(platform::sys::Call::Syncfs, EIO);
    system.Refuse(platform::sys::Call::Fsync, EIO, "onea.mp3");
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(std::tuple(outcome.mp3Files, outcome.troubles, dir.Names()),
              std::tuple(1, true, Names{"one a.wav", "two b.mp3", "two b.wav"}));
    EXPECT_EQ(platform.interactions,
              (Names{"Critical error... (x): The MP3 file cannot be written:\n" +
                         dir.File("onea.mp3") + "\nInput/output error.",
                     "beep", kJobDone}));
}

// Aborted after its runs, a job is idle at once, and counts every file finished once synced.
TEST_F(JobTest, AnAbortAfterTheRunsCountsEveryFileFinished) {
    WriteAndAdd({"one a.wav", "two b.wav"}, 1);
    Go();
    ASSERT_TRUE(form.JobActive()) << "the job tick has not ended it yet";
    std::optional<std::tuple<bool, int>> atTheWait;
    platform.onPause = [&](int) {
        atTheWait = atTheWait.value_or(
            std::tuple(form.cmdAbort.Enabled(), form.lstOpenFileName.ListCount()));
    };
    form.cmdAbort.Click.Raise();
    EXPECT_EQ(atTheWait, std::tuple(false, 0)) << "the window waits for the sync, idle";
    EXPECT_EQ(std::tuple(outcome.mp3Files, outcome.aborted), std::tuple(2, true));
    EXPECT_EQ(dir.Names(), (Names{"one a.mp3", "one a.wav", "two b.mp3", "two b.wav"}));
}

// A header may claim 65535 channels of 16 bits; the run reads in bounded chunks, not gigabytes.
TEST_F(JobTest, AHeaderClaimingThousandsOfChannelsDoesNotMakeTheRunTakeGigabytes) {
    constexpr int kChannels = 65535;
    testing::WriteBytes(
        dir.File("wide.wav"),
        testing::Riff({{"fmt ", testing::Fmt(kChannels, 44100, 16)},
                       {"data", testing::Bytes(std::size_t{20} * kChannels * 2, 0x11)}}));
    rusage before{}, after{};
    ::getrusage(RUSAGE_SELF, &before);
    form.EncodeFile(dir.File("wide.wav"));
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 256 << 10) << "kilobytes";
    EXPECT_GT(Length(dir.File("wide.mp3")), 0);
    EXPECT_TRUE(platform.interactions.empty());
}

} // namespace
} // namespace tarn
