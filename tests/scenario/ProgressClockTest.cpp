// The clock and progress ticks over an MP3 file the test grows on disk as a run would.
#include "support/JobFixture.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ProgressClockTest : public testing::JobFixture {
protected:
    // Lists one second of CD sound and starts the displays as Go does.
    void Follow() {
        Listed("a.wav", 1);
        form.SizeRatios[1] = 11.025;
        form.ShownEntry = 1;
        form.StartTimes = {platform.Now(), platform.Now()};
        form.Timer1.SetEnabled(true);
        form.tmrProgress.SetEnabled(true);
    }
    // Gives the entry's MP3 file the length at which the file percentage reads `percent`.
    void GrowMp3(double percent, int entry = 1) {
        const double expected = static_cast<double>(fs::file_size(form.FilePaths[entry])) / 11.025;
        std::ofstream(form.Mp3Paths[entry], std::ios::app).close();
        fs::resize_file(form.Mp3Paths[entry],
                        static_cast<std::uintmax_t>(std::llround(expected * percent / 100)));
    }
    // Both estimates, job first.
    std::string Estimates() const {
        return form.lblTimpEstimat.Caption() + " " + form.lblTimpEstimatPartial.Caption();
    }
};

TEST_F(ProgressClockTest, EstimatesProjectTheCountedSecondsAndTheFileHoursStayBelowTheJobs) {
    Follow();
    // While the percentage is 0 the estimate keeps its text; nothing counts in the first second.
    platform.RunFor(10s);
    EXPECT_EQ(form.lblTimpTrecut.Caption() + " " + Estimates(), "00:00:09 00:00:00 00:00:00");
    // 4 % of the file at 201 counted seconds projects 5025 s, 01:23:45; the job's reads 00:00:00.
    GrowMp3(4);
    ASSERT_TRUE(
        platform.RunUntil([&] { return form.lblTimpTrecutPartial.Caption() == "00:03:22"; }, 203s));
    EXPECT_EQ(Estimates(), "00:00:00 00:23:45");
    // The job estimate shown as the elapsed text turns to 00:04:31 uses the 270 s counted.
    form.ShowPercent(true, 30);
    ASSERT_TRUE(platform.RunUntil([&] { return form.lblTimpTrecut.Caption() == "00:04:31"; }, 75s));
    EXPECT_EQ(form.lblTimpEstimat.Caption(), "00:15:00");
    // A tick while the elapsed texts stay as they are leaves both estimates alone.
    const std::string before = Estimates();
    form.ShowPercent(true, 45);
    form.ShowPercent(false, 8);
    form.Timer1_Timer();
    EXPECT_EQ(Estimates(), before);
    ASSERT_TRUE(platform.RunUntil([&] { return form.lblTimpTrecut.Caption() == "00:04:32"; }, 2s));
    EXPECT_EQ(Estimates(), "00:10:02 00:52:55");
}

// Nothing is counted in the first second of either elapsed time: a job's minute then is lost.
TEST_F(ProgressClockTest, NothingIsCountedInTheFirstSecondOfTheJobOrOfAFile) {
    Follow();
    platform.RunFor(60100ms);
    EXPECT_EQ(form.ElapsedSeconds[0], 59);
    // The file changes just as the job's elapsed time reads 00:01:00.
    form.StartTimes[1] = platform.Now();
    platform.RunFor(1200ms);
    EXPECT_EQ(form.lblTimpTrecut.Caption(), "00:01:01");
    EXPECT_EQ(form.ElapsedMinutes[0], 0);
    platform.RunFor(60s);
    EXPECT_EQ(form.ElapsedMinutes, (std::array<std::int32_t, 2>{1, 1}));
}

// A source length that cannot be read, or an empty source, keeps the bar as it is.
TEST_F(ProgressClockTest, TheFileBarFollowsTheMp3) {
    Follow();
    platform.RunFor(200ms);
    EXPECT_EQ(form.lblProgres.Caption(), " 0%") << "no MP3 file yet: it counts as empty";
    GrowMp3(37);
    platform.RunFor(200ms);
    ASSERT_EQ(form.lblProgres.Caption(), " 37%");
    GrowMp3(80);
    fs::rename(form.FilePaths[1], dir.File("elsewhere.wav"));
    platform.RunFor(1s);
    EXPECT_EQ(form.lblProgres.Caption(), " 37%");
    EXPECT_FLOAT_EQ(form.lblProgres.Width(), 1825.95F);
    fs::rename(dir.File("elsewhere.wav"), form.FilePaths[1]);
    fs::resize_file(form.FilePaths[1], 0);
    platform.RunFor(1s);
    EXPECT_EQ(form.lblProgres.Caption(), " 37%");
}

// At 100 % the next tick moves on; past the last entry the bar keeps its text and the clocks stop.
TEST_F(ProgressClockTest, TheFileBarMovesOnAtAHundredAndStopsAfterTheLastEntry) {
    Follow();
    Listed("b.wav", 1);
    form.SizeRatios[2] = 11.025;
    platform.RunFor(2400ms);
    GrowMp3(99);
    platform.RunFor(400ms);
    ASSERT_EQ(std::tuple(form.lblProgres.Caption(), form.ShownEntry), std::tuple(" 99%", 1));
    GrowMp3(100);
    platform.RunFor(200ms);
    ASSERT_EQ(form.lblProgres.Caption(), " 100%");
    const std::string beforeTheMove = form.lblTimpTrecut.Caption();
    platform.SetNow(platform.Now() + 2s);
    form.Timer1_Timer();
    EXPECT_NE(form.lblTimpTrecut.Caption(), beforeTheMove) << "the clocks run until the move";
    ASSERT_NE(form.lblTimpEstimatPartial.Caption(), "00:00:00");
    form.ElapsedMinutes[1] = 2;
    const platform::DateTime beforeTheTick = platform.Now();
    platform.RunFor(200ms);
    // The move starts the file's clock afresh.
    EXPECT_GE(form.StartTimes[1], beforeTheTick);
    EXPECT_EQ(std::tuple(form.ShownEntry, form.lblProgres.Width(), form.ElapsedMinutes[1],
                         form.lblTimpEstimatPartial.Caption()),
              std::tuple(2, 0.0F, 0, "00:00:00"));
    GrowMp3(50, 2);
    platform.RunFor(200ms);
    EXPECT_EQ(form.lblProgres.Caption(), " 50%");
    GrowMp3(100, 2);
    platform.RunFor(400ms);
    ASSERT_EQ(form.ShownEntry, 3);
    const std::string elapsed = form.lblTimpTrecut.Caption();
    GrowMp3(50, 2);
    platform.RunFor(5s);
    EXPECT_EQ(form.lblProgres.Caption() + form.lblTimpTrecut.Caption(), " 100%" + elapsed);
    EXPECT_EQ(form.ShownEntry, 3);
    // Above 100 the clocks go on.
    form.ShowPercent(false, 103);
    platform.RunFor(2s);
    EXPECT_NE(form.lblTimpTrecut.Caption(), elapsed);
    EXPECT_EQ(form.ShownEntry, 3);
}

} // namespace
} // namespace tarn
