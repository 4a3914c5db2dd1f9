// Whole jobs on the window with real WAV files and the real encoder, under the virtual clock.
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

const std::string kJobDone = "Tarn MP3 Encoder:            Job done!";

class EncodingJobTest : public testing::JobFixture {
protected:
    void SetUp() override {
        JobFixture::SetUp();
        form.lblTotal.Change.Connect([this] { totals.push_back(form.lblTotal.Caption()); });
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

    bool running = false;
    bool runningAtMessage = true;
    Names totals;
    Names totalsAtMessage;
};

TEST_F(EncodingJobTest, RunsEveryEntryInOrderEndsOnceAndASecondJobRunsAlike) {
    Listed("first song.wav", 3);
    Listed("second.wav", 2);
    Listed("third-cut.wav", 1);
    testing::WriteBytes(dir.File("thirdcut.mp3"), std::vector<std::uint8_t>(100000, 'x'));
    const Names mp3s{dir.File("firstsong.mp3"), dir.File("second.mp3"), dir.File("thirdcut.mp3")};
    // At every pause, the lengths of the outputs; at the first, the state of the window.
    std::vector<std::vector<std::int64_t>> lengths;
    AtEveryPause([&] {
        lengths.push_back({Length(mp3s[0]), Length(mp3s[1]), Length(mp3s[2])});
        if (lengths.size() == 1) {
            EXPECT_EQ(EnabledControls(), Names{"cmdAbort"});
            EXPECT_TRUE(form.Timer1.Enabled() && form.tmrProgress.Enabled() &&
                        form.tmrTotal.Enabled());
            EXPECT_EQ(form.ShownEntry, 1);
            bool cancel = false;
            form.Form_QueryUnload(cancel);
            EXPECT_TRUE(cancel);
        }
    });
    Go();
    EXPECT_TRUE(platform.Messages().empty()) << "the job ends at a tick after Go has returned";
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(platform.Interactions(), (Names{"beep", kJobDone}));
    EXPECT_FALSE(runningAtMessage);
    EXPECT_TRUE(std::any_of(totalsAtMessage.begin(), totalsAtMessage.end(),
                            [](const std::string& text) { return std::stoi(text) >= 100; }));
    EXPECT_EQ(dir.Names(), (Names{"first song.mp3", "first song.wav", "second.mp3", "second.wav",
                                  "third-cut.mp3", "third-cut.wav"}));
    ExpectIdle();
    EXPECT_EQ(platform.unloadCalls, 0) << "the refused close was carried out later";

    // The old output was gone before the first run; each run starts once the one before it is
    // complete.
    const std::vector<std::int64_t> finals{Length(dir.File("first song.mp3")),
                                           Length(dir.File("second.mp3")),
                                           Length(dir.File("third-cut.mp3"))};
    std::vector<std::size_t> starts;
    for (std::size_t k = 0; k < 3; ++k) {
        starts.push_back(static_cast<std::size_t>(
            std::find_if(lengths.begin(), lengths.end(), [k](auto& seen) { return seen[k] >= 0; }) -
            lengths.begin()));
    }
    EXPECT_EQ(starts[0], 0U);
    EXPECT_EQ(lengths[starts[1]][0], finals[0]);
    EXPECT_EQ(lengths[starts[2]][1], finals[1]);
    EXPECT_TRUE(starts[1] < starts[2] && finals[0] > finals[1] && finals[1] > finals[2]);

    // Again, with "delete source" ticked: the renamed WAV file keeps the name it was listed
    // under, and the journal keeps nothing. The first outputs are moved away: a job's end never
    // renames over a file.
    testing::TempDir state;
    NameJournal journal(state.File("renames"));
    form.UseNameJournal(&journal);
    const Names firstTotals = totals;
    totals.clear();
    for (const std::string name : {"first song", "second", "third-cut"}) {
        fs::rename(dir.File(name + ".mp3"), dir.File("old " + name + ".mp3"));
        Add(name + ".wav");
    }
    form.chkDelete.SetValue(forms::Checked);
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_EQ(totals, firstTotals);
    EXPECT_TRUE(Contents(dir.File("first song.mp3")) == Contents(dir.File("old first song.mp3")));
    EXPECT_TRUE(fs::exists(dir.File("firstsong.wav")) && fs::exists(dir.File("thirdcut.wav")));
    EXPECT_TRUE(journal.Entries().empty());
    EXPECT_EQ(platform.Interactions(), (Names{"beep", kJobDone, "beep", kJobDone}));
}

TEST_F(EncodingJobTest, AbortAfterTheLastRunGivesTheNamesBackAtOnceAndSaysNothing) {
    Listed("one a.wav", 1);
    Go();
    ASSERT_TRUE(form.JobActive()) << "the job stays open until its next tick";
    form.cmdAbort.Click.Raise();
    EXPECT_EQ(dir.Names(), (Names{"one a.mp3", "one a.wav"}));
    ExpectIdle();
    platform.RunFor(5s);
    EXPECT_TRUE(platform.Interactions().empty());
}

TEST_F(EncodingJobTest, TheFileBarMovesToTheNextEntryOneTickAfterShowing100) {
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        Listed(name, 3);
    }
    std::vector<std::pair<int, int>> ticks; // percent shown, entry shown
    form.tmrProgress.Tick.Connect([&] {
        if (!ticks.empty() && form.ShownEntry != ticks.back().second) {
            EXPECT_EQ(form.StartTimes[1], platform.Now());
            EXPECT_EQ(form.ElapsedMinutes[1], 0);
            EXPECT_EQ(form.lblTimpEstimatPartial.Caption(), "00:00:00");
        }
        ticks.emplace_back(std::stoi(form.lblProgres.Caption()), form.ShownEntry);
    });
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    int moves = 0;
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        const bool moved = ticks[i].second != ticks[i - 1].second;
        EXPECT_EQ(moved, ticks[i - 1].first >= 100 && ticks[i - 1].second <= 3) << i;
        moves += moved ? 1 : 0;
    }
    EXPECT_GE(moves, 2);
    for (int entry = 1; entry <= 3; ++entry) {
        EXPECT_TRUE(std::any_of(ticks.begin(), ticks.end(),
                                [entry](const auto& tick) {
                                    return tick.second == entry && tick.first > 0 &&
                                           tick.first < 100;
                                }))
            << "entry " << entry << " is measured in its turn";
    }
}

TEST_F(EncodingJobTest, TheJobEndsOnlyOnceItsLastRunHasReturned) {
    // Short files come out a little longer than their estimate, so the job bar reads 100 %
    // before the last run has written its last frames; on a slow machine (0.4 s per event
    // processing) job ticks fall into that last stretch.
    platform.SetDoEventsCost(400ms);
    for (const char* name : {"one a.wav", "two b.wav", "three c.wav"}) {
        Listed(name, 1);
    }
    bool ticked100WhileRunning = false;
    form.tmrTotal.Tick.Connect([&] {
        ticked100WhileRunning = ticked100WhileRunning ||
                                (running && totals.size() > 1 && std::stoi(totals.back()) >= 100);
    });
    Go();
    ASSERT_TRUE(ticked100WhileRunning);
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_FALSE(runningAtMessage);
    EXPECT_EQ(Length(dir.File("three c.mp3")), Length(dir.File("one a.mp3")));

    // Six channels mixed down to two make a third of the MP3 file the WAV length predicts: the
    // job bar never reaches 100 %, and the job still ends after its last run.
    Listed("surround.wav", 1, {.channels = 6});
    Go();
    ASSERT_TRUE(WaitForTheEnd());
    EXPECT_LT(std::stoi(totalsAtMessage.back()), 50);
    EXPECT_EQ(platform.Interactions(), (Names{"beep", kJobDone, "beep", kJobDone}));
}

// The job tick alone, over MP3 files grown by hand.
TEST_F(EncodingJobTest, TheJobTickShowsTheSumsLeavingOutOnlyAnUnreadableWavLength) {
    const auto grow = [&](int entry, std::uintmax_t length) {
        std::ofstream(form.Mp3Paths[entry], std::ios::app).close();
        fs::resize_file(form.Mp3Paths[entry], length);
    };
    Listed("a.wav", 1);
    Listed("b.wav", 1);
    form.SizeRatios[1] = form.SizeRatios[2] = 11.025;
    // Expected: 16,003.99 bytes each, rounded to 16,004 and summed, entry by entry.
    grow(1, 8002);
    form.tmrTotal_Timer();
    EXPECT_EQ(form.lblTotal.Caption(), "25%");
    EXPECT_FLOAT_EQ(form.lblTotal.Width(), 1233.75F);
    EXPECT_EQ(form.FileCount, 2) << "no job is running: the tick ends nothing";
    // A WAV file moved away is left out of the estimate; the others go on counting.
    fs::rename(form.FilePaths[1], dir.File("gone.wav"));
    grow(2, 12003);
    form.tmrTotal_Timer();
    EXPECT_EQ(form.lblTotal.Caption(), "125%");
    // With nothing left to expect, the bar keeps its value.
    form.SizeRatios[2] = 0;
    form.tmrTotal_Timer();
    EXPECT_EQ(form.lblTotal.Caption(), "125%");

    // Lengths beyond 32 bits: three sparse WAV files of 4,410,000,044 bytes and MP3 files of
    // 300,000,000 bytes.
    form.cmdClearList_Click();
    for (int i = 1; i <= 3; ++i) {
        const std::string name = std::to_string(i) + ".wav";
        testing::WriteWav(dir.File(name), {.frames = 10});
        fs::resize_file(dir.File(name), 4410000044);
        Add(name);
        form.SizeRatios[i] = 11.025;
        grow(i, 300000000);
    }
    form.tmrTotal_Timer();
    EXPECT_EQ(form.lblTotal.Caption(), "75%");
}

} // namespace
} // namespace tarn
