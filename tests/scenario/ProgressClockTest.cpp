#include "progress/SizeRatio.h"
#include "shell/frmMain.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"
#include "support/WavWriter.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::TestPlatform;

// The clock tick, the progress tick and the estimates over listed WAV files whose MP3 files the
// test grows on disk, as the flushed writes of a run would.
class ProgressClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        form.Form_Load();
        platform.AttachTimers(form.Timers());
    }

    // Lists a WAV file of one second of CD sound and starts the displays as Go does.
    void Follow() {
        testing::WriteWav(dir.File("a.wav"), {.frames = 44100});
        form.AddChosenFile(dir.File("a.wav"));
        form.SizeRatios[1] = SizeRatio("128", 44100, 16, 2).value();
        form.ShownEntry = 1;
        start = platform.Now();
        form.StartTimes = {start, start};
        form.Timer1.SetEnabled(true);
        form.tmrProgress.SetEnabled(true);
    }

    // Gives the MP3 file the length at which the file percentage reads `percent`.
    void GrowMp3(double percent) {
        const double expected = static_cast<double>(fs::file_size(form.FilePaths[1])) / 11.025;
        std::ofstream(form.Mp3Paths[1], std::ios::app).close();
        fs::resize_file(form.Mp3Paths[1],
                        static_cast<std::uintmax_t>(std::llround(expected * percent / 100)));
    }

    bool RunUntilElapsed(const char* text, std::chrono::milliseconds limit) {
        return platform.RunUntil([&] { return form.lblTimpTrecut.Caption() == text; }, limit);
    }

    testing::TempDir dir;
    TestPlatform platform;
    frmMain form{platform.Bundle()};
    platform::DateTime start{};
};

TEST_F(ProgressClockTest, NinetyCountedSecondsAt30PercentProjectFiveMinutes) {
    Follow();
    // While the percentage is 0 the estimate keeps its text.
    platform.RunFor(10s);
    EXPECT_EQ(form.lblTimpTrecut.Caption(), "00:00:09");
    EXPECT_EQ(form.lblTimpEstimat.Caption(), "00:00:00");
    form.ShowPercent(true, 30);
    // The estimate shown as the elapsed text turns to 00:01:31 uses the 90 s counted so far.
    ASSERT_TRUE(RunUntilElapsed("00:01:31", 82s));
    EXPECT_EQ(form.lblTimpEstimat.Caption(), "00:05:00");
}

TEST_F(ProgressClockTest, FileEstimateHoursNeverExceedTheJobEstimateHours) {
    Follow();
    // 201 counted seconds at 4 % project 5025 s, 01:23:45, while the job estimate still reads
    // 00:00:00 (job percentage 0).
    GrowMp3(4);
    ASSERT_TRUE(
        platform.RunUntil([&] { return form.lblTimpTrecutPartial.Caption() == "00:03:22"; }, 203s));
    EXPECT_EQ(form.lblProgres.Caption(), " 4%");
    EXPECT_EQ(form.lblTimpEstimatPartial.Caption(), "00:23:45");
}

TEST_F(ProgressClockTest, OneHourAtOnePercentProjects100Hours) {
    Follow();
    form.ShowPercent(true, 1);
    GrowMp3(1);
    ASSERT_TRUE(RunUntilElapsed("01:00:01", 3602s));
    EXPECT_EQ(form.lblTimpEstimat.Caption(), "100:00:00");
    EXPECT_EQ(form.lblTimpEstimatPartial.Caption(), "100:00:00");
}

TEST_F(ProgressClockTest, AJobPastMidnightShowsItsElapsedTime) {
    // 2026-03-14 23:59:00 local time.
    platform.SetNow(platform::DateTime{1773532740000});
    Follow();
    form.ShowPercent(true, 50);
    ASSERT_TRUE(RunUntilElapsed("00:02:30", 151s));
    EXPECT_GE(platform.Now() - start, 150s);
    ASSERT_TRUE(RunUntilElapsed("00:02:31", 2s));
    EXPECT_EQ(form.lblTimpEstimat.Caption(), "00:05:00");
}

TEST_F(ProgressClockTest, AJobLongerThanADayShowsHoursModulo24ButCountsEveryMinute) {
    Follow();
    form.ShowPercent(true, 100);
    platform.RunFor(25h);
    ASSERT_TRUE(RunUntilElapsed("01:00:01", 2s));
    EXPECT_EQ(form.ElapsedMinutes[0], 1500);
    EXPECT_EQ(form.ElapsedMinutes[1], 1500);
    // At 100 % the estimate is the counted elapsed time itself.
    EXPECT_EQ(form.lblTimpEstimat.Caption(), "25:00:00");
}

TEST_F(ProgressClockTest, FileBarFollowsTheMp3AndKeepsItsValueWhenNothingCanBeExpected) {
    Follow();
    platform.RunFor(200ms);
    // No MP3 file yet: it counts as empty.
    EXPECT_EQ(form.lblProgres.Caption(), " 0%");
    GrowMp3(37);
    platform.RunFor(200ms);
    ASSERT_EQ(form.lblProgres.Caption(), " 37%");
    GrowMp3(80);

    // An unreadable source length.
    fs::rename(form.FilePaths[1], dir.File("elsewhere.wav"));
    platform.RunFor(1s);
    EXPECT_EQ(form.lblProgres.Caption(), " 37%");
    EXPECT_FLOAT_EQ(form.lblProgres.Width(), 1825.95F);

    // An empty source file.
    fs::rename(dir.File("elsewhere.wav"), form.FilePaths[1]);
    fs::resize_file(form.FilePaths[1], 0);
    platform.RunFor(1s);
    EXPECT_EQ(form.lblProgres.Caption(), " 37%");
    EXPECT_EQ(form.ShownEntry, 1);
}

} // namespace
} // namespace tarn
