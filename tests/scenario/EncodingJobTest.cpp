#include "filelist/NameJournal.h"
#include "shell/frmMain.h"
#include "support/JobFixture.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::Contents;
using testing::Length;
using testing::Names;

const std::string kJobDone = "message:           Job done!";

// Whole jobs on the window with real WAV files and the real encoder, under the virtual clock.
class EncodingJobTest : public testing::JobFixture {
protected:
    void SetUp() override {
        JobFixture::SetUp();
        platform.onMessage = [this](const platform::MessageBoxRequest&) {
            goActiveAtMessage.push_back(goActive);
            totalsAtMessage = totals;
        };
        form.lblTotal.Change.Connect([this] { totals.push_back(form.lblTotal.Caption()); });
        ScheduleProbe();
    }

    // Writes `seconds` of CD sound (or in the format given) and adds the file.
    void Add(const std::string& name, double seconds, testing::WavSpec format = {}) {
        WriteSound(name, seconds, format);
        JobFixture::Add(name);
    }
    using JobFixture::Add;

    // Clicks Go, which returns once its last run has returned.
    void Go() {
        mp3Paths.assign(form.Mp3Paths.begin() + 1, form.Mp3Paths.begin() + 1 + form.FileCount);
        snapshots.clear();
        goActive = true;
        JobFixture::Go();
        goActive = false;
    }

    // Records the MP3 lengths of the job's entries (-1: no file) at every event processing,
    // then calls `probe`.
    void ScheduleProbe() {
        platform.AtDoEvents(1, [this] {
            std::vector<std::int64_t> lengths;
            for (const std::string& path : mp3Paths) {
                lengths.push_back(Length(path));
            }
            snapshots.push_back(lengths);
            if (probe) {
                probe();
            }
            ScheduleProbe();
        });
    }

    // The controls that a job disables and its end enables again.
    std::vector<forms::Control*> OptionControls() {
        return {&form.cmdOpen,         &form.cmdExit,        &form.cmbQuality, &form.cmbBitrate,
                &form.cmbMode,         &form.chkCRC,         &form.chkDelete,  &form.chkPrivateBit,
                &form.chkCopyrightBit, &form.chkOriginalBit, &form.chkFullPath};
    }

    void ExpectIdle() {
        EXPECT_EQ(form.FileCount, 0);
        EXPECT_EQ(form.lstOpenFileName.ListCount(), 0);
        EXPECT_EQ(form.lstOpenFileSize.ListCount(), 0);
        for (forms::CommandButton* button :
             {&form.cmdGo, &form.cmdAbort, &form.cmdDeleteFile, &form.cmdClearList}) {
            EXPECT_FALSE(button->Enabled()) << button->Name();
        }
        for (forms::Control* control : OptionControls()) {
            EXPECT_TRUE(control->Enabled()) << control->Name();
        }
        for (forms::Label* label : {&form.lblTimpEstimat, &form.lblTimpTrecut,
                                    &form.lblTimpEstimatPartial, &form.lblTimpTrecutPartial}) {
            EXPECT_EQ(label->Caption(), "00:00:00") << label->Name();
        }
        for (forms::Label* bar : {&form.lblProgres, &form.lblTotal}) {
            EXPECT_EQ(bar->Caption(), "0%") << bar->Name();
            EXPECT_EQ(bar->Width(), 0) << bar->Name();
        }
        for (forms::Timer* timer : form.Timers()) {
            EXPECT_FALSE(timer->Enabled()) << timer->Name();
        }
    }

    std::vector<std::string> mp3Paths;
    std::vector<std::vector<std::int64_t>> snapshots;
    std::function<void()> probe;
    bool goActive = false;
    std::vector<bool> goActiveAtMessage;
    std::vector<std::string> totals;
    std::vector<std::string> totalsAtMessage;
};

TEST_F(EncodingJobTest, ThreeEntriesRunInTableOrderAndTheJobEndsOnce) {
    Add("first song.wav", 3);
    Add("second.wav", 2);
    Add("third-cut.wav", 1);
    probe = [&] {
        if (snapshots.size() > 1) {
            return;
        }
        EXPECT_TRUE(form.cmdAbort.Enabled());
        std::vector<forms::Control*> disabled = OptionControls();
        disabled.insert(disabled.end(), {&form.cmdGo, &form.cmdDeleteFile, &form.cmdClearList});
        for (forms::Control* control : disabled) {
            EXPECT_FALSE(control->Enabled()) << control->Name();
        }
        for (forms::Timer* timer : form.Timers()) {
            EXPECT_TRUE(timer->Enabled()) << timer->Name();
        }
        bool cancel = false;
        form.Form_QueryUnload(cancel);
        EXPECT_TRUE(cancel);
    };
    Go();
    EXPECT_TRUE(platform.Messages().empty());
    ASSERT_TRUE(WaitForTheEnd());

    EXPECT_EQ(platform.Interactions(), (Names{"beep", kJobDone}));
    EXPECT_EQ(goActiveAtMessage, std::vector<bool>{false});
    EXPECT_TRUE(std::any_of(totalsAtMessage.begin(), totalsAtMessage.end(),
                            [](const std::string& text) { return std::stoi(text) >= 100; }));
    EXPECT_EQ(dir.Names(), (Names{"first song.mp3", "first song.wav", "second.mp3", "second.wav",
                                  "third-cut.mp3", "third-cut.wav"}));
    ExpectIdle();
    EXPECT_EQ(platform.unloadCalls, 0) << "the refused close was carried out later";

    // Runs in table order: each MP3 file appears once the one before it is complete.
    const std::vector<std::int64_t> finals{Length(dir.File("first song.mp3")),
                                           Length(dir.File("second.mp3")),
                                           Length(dir.File("third-cut.mp3"))};
    std::vector<std::size_t> appears;
    for (std::size_t k = 0; k < 3; ++k) {
        const auto found = std::find_if(snapshots.begin(), snapshots.end(),
                                        [k](const auto& lengths) { return lengths[k] >= 0; });
        ASSERT_NE(found, snapshots.end()) << "entry " << k + 1;
        appears.push_back(static_cast<std::size_t>(found - snapshots.begin()));
    }
    EXPECT_LT(appears[0], appears[1]);
    EXPECT_LT(appears[1], appears[2]);
    EXPECT_EQ(snapshots[appears[1]][0], finals[0]);
    EXPECT_EQ(snapshots[appears[2]][1], finals[1]);
    EXPECT_GT(finals[0], finals[1]);
    EXPECT_GT(finals[1], finals[2]);

    // A second job over the same files runs exactly like the first. The first outputs are moved
    // away, since the end of a job never renames over an existing file.
    const Names outputs{"first song.mp3", "second.mp3", "third-cut.mp3"};
    std::vector<std::string> firstOutputs;
    for (const std::string& name : outputs) {
        firstOutputs.push_back(Contents(dir.File(name)));
        fs::remove(dir.File(name));
    }
    const auto firstSnapshots = snapshots;
    const auto firstTotals = totals;
    totals.clear();
    for (const char* name : {"first song.wav", "second.wav", "third-cut.wav"}) {
        Add(name);
    }
    probe = [&] {
        if (snapshots.size() == 1) {
            EXPECT_EQ(form.lblTotal.Caption(), "0%");
            EXPECT_EQ(form.lblProgres.Caption(), "0%");
        }
    };
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(platform.Interactions(), (Names{"beep", kJobDone, "beep", kJobDone}));
    EXPECT_EQ(totals, firstTotals);
    EXPECT_EQ(snapshots, firstSnapshots);
    for (std::size_t k = 0; k < outputs.size(); ++k) {
        EXPECT_EQ(Contents(dir.File(outputs[k])), firstOutputs[k]) << outputs[k];
    }
    ExpectIdle();
}

TEST_F(EncodingJobTest, AnOldMp3AtAnOutputPathIsDeletedBeforeTheFirstRun) {
    Add("first.wav", 1);
    Add("second.wav", 1);
    testing::WriteBytes(dir.File("second.mp3"), std::vector<std::uint8_t>(100000, 'x'));
    std::int64_t oldLengthDuringFirstRun = 0;
    probe = [&] {
        if (snapshots.size() == 1) {
            oldLengthDuringFirstRun = Length(dir.File("second.mp3"));
        }
    };
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(oldLengthDuringFirstRun, -1);
    EXPECT_EQ(Contents(dir.File("second.mp3")), Contents(dir.File("first.mp3")));
    EXPECT_EQ(platform.Interactions(), (Names{"beep", kJobDone}));
}

TEST_F(EncodingJobTest, AbortAfterTheLastRunGivesTheNamesBackAtOnce) {
    Add("one a.wav", 1);
    Go();
    ASSERT_TRUE(form.JobActive()) << "the job stays open until its next tick";
    form.cmdAbort.Click.Raise();
    EXPECT_EQ(dir.Names(), (Names{"one a.mp3", "one a.wav"}));
    platform.RunFor(5s);
    EXPECT_TRUE(platform.Interactions().empty());
    ExpectIdle();
}

class DeleteSourceTest : public EncodingJobTest, public ::testing::WithParamInterface<int> {};

TEST_P(DeleteSourceTest, DecidesWhetherARenamedWavGetsItsNameBack) {
    testing::TempDir journalDir;
    NameJournal journal(journalDir.File("renames"));
    form.UseNameJournal(&journal);
    form.chkDelete.SetValue(GetParam());
    Add("my song.wav", 1);
    Add("song.wav", 1);
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    const char* wav = GetParam() == forms::Checked ? "mysong.wav" : "my song.wav";
    Names expected{"my song.mp3", wav, "song.mp3", "song.wav"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dir.Names(), expected);
    // No name is left for the next start to give back.
    EXPECT_TRUE(journal.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Values, DeleteSourceTest,
                         ::testing::Values(forms::Unchecked, forms::Checked));

TEST_F(EncodingJobTest, TheFileBarMovesToTheNextEntryOneTickAfterShowing100) {
    Add("a.wav", 3);
    Add("b.wav", 3);
    Add("c.wav", 3);
    struct Tick {
        std::int32_t percent;
        int shownEntry;
        platform::DateTime at;
    };
    std::vector<Tick> ticks;
    form.tmrProgress.Tick.Connect([&] {
        ticks.push_back({std::stoi(form.lblProgres.Caption()), form.ShownEntry, platform.Now()});
        if (ticks.size() > 1 && form.ShownEntry != ticks[ticks.size() - 2].shownEntry) {
            EXPECT_EQ(form.StartTimes[1], platform.Now());
            EXPECT_EQ(form.lblTimpEstimatPartial.Caption(), "00:00:00");
        }
    });
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    int moves = 0;
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        const bool moved = ticks[i].shownEntry != ticks[i - 1].shownEntry;
        EXPECT_EQ(moved, ticks[i - 1].percent >= 100 && ticks[i - 1].shownEntry <= 3) << i;
        moves += moved ? 1 : 0;
    }
    EXPECT_GE(moves, 2);
}

TEST_F(EncodingJobTest, TheJobEndsOnlyOnceItsLastRunHasReturned) {
    // Short files come out a few frames longer than their estimate, so the job bar reads 100 %
    // before the last run has written its final frames; on a slow machine (0.4 s per event
    // processing) more than one job tick falls into that last stretch.
    platform.SetDoEventsCost(400ms);
    Add("one a.wav", 1);
    Add("two b.wav", 1);
    Add("three c.wav", 1);
    int ticksSeeing100WhileRunning = 0;
    std::string leftByLastTick = "0%";
    form.tmrTotal.Tick.Connect([&] {
        if (goActive && std::stoi(leftByLastTick) >= 100) {
            ++ticksSeeing100WhileRunning;
        }
        leftByLastTick = form.lblTotal.Caption();
    });
    Go();
    ASSERT_GE(ticksSeeing100WhileRunning, 1) << "the job bar did not reach 100 % during a run";
    EXPECT_TRUE(platform.Messages().empty());
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(goActiveAtMessage, std::vector<bool>{false});
    EXPECT_EQ(Length(dir.File("three c.mp3")), Length(dir.File("one a.mp3")));
}

TEST_F(EncodingJobTest, AJobWhoseEstimateExceedsItsOutputEndsAfterItsLastRun) {
    // Six channels are mixed down to two: the MP3 file is a third of what the WAV length
    // predicts, and the job bar never reaches 100 %.
    Add("surround.wav", 1, {.channels = 6});
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_LT(std::stoi(totalsAtMessage.back()), 50);
    EXPECT_EQ(platform.Interactions(), (Names{"beep", kJobDone}));
}

// The job tick on its own, over MP3 files grown by hand.
class JobTickTest : public EncodingJobTest {
protected:
    void Grow(int entry, std::uintmax_t length) {
        std::ofstream(form.Mp3Paths[entry], std::ios::app).close();
        fs::resize_file(form.Mp3Paths[entry], length);
    }
};

TEST_F(JobTickTest, ShowsThePercentageOfTheSumsLeavingOutWhatCannotBeExpected) {
    Add("a.wav", 1);
    Add("b.wav", 1);
    form.SizeRatios[1] = form.SizeRatios[2] = 11.025;
    // Expected: 16,003.99 bytes each, summed and rounded to 32,008.
    Grow(1, 8002);
    form.tmrTotal_Timer();
    EXPECT_EQ(form.lblTotal.Caption(), "25%");
    EXPECT_EQ(form.FileCount, 2) << "no job is running: the tick ends nothing";

    // A WAV file moved away is left out of the estimate; the others go on counting.
    fs::rename(form.FilePaths[1], dir.File("gone.wav"));
    Grow(2, 12003);
    form.tmrTotal_Timer();
    EXPECT_EQ(form.lblTotal.Caption(), "125%");
    // With nothing left to expect, the bar keeps its value.
    form.SizeRatios[2] = 0;
    form.tmrTotal_Timer();
    EXPECT_EQ(form.lblTotal.Caption(), "125%");
}

TEST_F(JobTickTest, LengthsBeyond32BitsGiveTheirPercentage) {
    // Three WAV files of 4,410,000,044 bytes and MP3 files of 300,000,000 bytes, all sparse.
    for (int i = 1; i <= 3; ++i) {
        const std::string name = std::to_string(i) + ".wav";
        testing::WriteWav(dir.File(name), {.frames = 10});
        fs::resize_file(dir.File(name), 4410000044);
        Add(name);
        form.SizeRatios[i] = 11.025;
        Grow(i, 300000000);
    }
    ASSERT_EQ(form.FileCount, 3);
    form.tmrTotal_Timer();
    EXPECT_EQ(form.lblTotal.Caption(), "75%");
}

} // namespace
} // namespace tarn
