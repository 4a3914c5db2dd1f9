#include "progress/ProgressBar.h"
#include "progress/SizeRatio.h"
#include "progress/TimeFormat.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace tarn {
namespace {

using namespace std::chrono_literals;

struct RatioCase {
    const char* bitrate;
    std::int32_t rate;
    std::int16_t bits;
    std::int16_t channels;
    std::optional<double> ratio;
};

class SizeRatioTest : public ::testing::TestWithParam<RatioCase> {};

TEST_P(SizeRatioTest, TakesTheTableValueAndHalvesItForExactlyOneChannel) {
    const RatioCase& c = GetParam();
    const auto ratio = SizeRatio(c.bitrate, c.rate, c.bits, c.channels);
    ASSERT_EQ(ratio.has_value(), c.ratio.has_value());
    if (ratio) {
        EXPECT_DOUBLE_EQ(*ratio, *c.ratio);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SizeRatioTest,
    ::testing::Values(RatioCase{"128", 44100, 16, 1, 5.5125}, RatioCase{"320", 48000, 16, 1, 2.4},
                      RatioCase{"224", 48000, 16, 6, 6.8573}, RatioCase{"128", 44100, 8, 0, 5.513},
                      RatioCase{"", 44100, 16, 2, {}}, RatioCase{" 128", 44100, 16, 2, {}},
                      RatioCase{"128", 22050, 16, 2, {}}, RatioCase{"128", 44100, 24, 2, {}}));

// Each value is the two-channel WAV byte rate over the MP3 byte rate with three decimals (one
// with four, five a little above the quotient): a mistyped value falls far outside.
TEST(SizeRatioTableTest, EveryValueIsTheByteRateQuotient) {
    for (int kbps : {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}) {
        for (std::int32_t rate : {44100, 48000}) {
            for (std::int16_t bits : {std::int16_t{8}, std::int16_t{16}}) {
                const double quotient = (rate * 2.0 * bits / 8) / (kbps * 1000.0 / 8);
                const auto ratio = SizeRatio(std::to_string(kbps), rate, bits, 2);
                ASSERT_TRUE(ratio.has_value()) << kbps << " " << rate << " " << bits;
                EXPECT_NEAR(*ratio, quotient, quotient * 2e-4)
                    << kbps << " " << rate << " " << bits;
            }
        }
    }
}

TEST(ExpectedMp3LengthTest, DividesTheWholeWavLengthAndRefusesARatioThatCannotDivide) {
    EXPECT_NEAR(ExpectedMp3Length(4410000044, 11.025).value(), 400000003.99, 0.005);
    EXPECT_FALSE(ExpectedMp3Length(1764044, -11.025));
    EXPECT_FALSE(ExpectedMp3Length(1764044, std::nan("")));
}

struct BarCase {
    bool isJob;
    std::int32_t percent;
    const char* text;
    float width;
};

class BarTest : public ::testing::TestWithParam<BarCase> {};

TEST_P(BarTest, WritesTheTextAndTheUnclampedWidthAndReadsThePercentageBack) {
    const BarCase& c = GetParam();
    EXPECT_EQ(BarText(c.isJob, c.percent), c.text);
    EXPECT_FLOAT_EQ(BarWidth(c.percent), c.width);
    EXPECT_EQ(ReadBackPercent(c.text), c.percent);
}

INSTANTIATE_TEST_SUITE_P(Percentages, BarTest,
                         ::testing::Values(BarCase{false, 42, " 42%", 2072.7F},
                                           BarCase{true, 103, "103%", 5083.05F},
                                           BarCase{true, 0, "0%", 0.0F},
                                           BarCase{true, 435153, "435153%", 21474800.55F}));

TEST(BarTest, ReadsNothingFromATextWithoutANumberAndRoundsOnlyWhatABarCanShow) {
    for (const char* text : {"", " %", "4x%", "-%"}) {
        EXPECT_FALSE(ReadBackPercent(text)) << text;
    }
    EXPECT_EQ(RoundPercent(42.5), 42);
    EXPECT_EQ(RoundPercent(43.5), 44);
    // The largest percentage whose product with the full width fits in 32 bits.
    EXPECT_EQ(RoundPercent(435153.0), 435153);
    EXPECT_FALSE(RoundPercent(435154.0));
    EXPECT_FALSE(RoundPercent(std::nan("")));
    EXPECT_FALSE(RoundPercent(std::numeric_limits<double>::infinity()));
}

struct EstimateTextCase {
    std::int64_t seconds;
    const char* text;
};

class FormatEstimateTest : public ::testing::TestWithParam<EstimateTextCase> {};

TEST_P(FormatEstimateTest, WritesTwoDigitFieldsAndUnboundedHours) {
    EXPECT_EQ(FormatEstimate(GetParam().seconds), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Seconds, FormatEstimateTest,
                         ::testing::Values(EstimateTextCase{0, "00:00:00"},
                                           EstimateTextCase{59, "00:00:59"},
                                           EstimateTextCase{4000, "01:06:40"},
                                           EstimateTextCase{86400, "24:00:00"},
                                           EstimateTextCase{360000, "100:00:00"}));

struct ElapsedCase {
    std::chrono::milliseconds elapsed;
    const char* text;
};

class FormatElapsedTest : public ::testing::TestWithParam<ElapsedCase> {};

TEST_P(FormatElapsedTest, ShowsTheTimeOfDayOfTheDurationWithoutItsFraction) {
    // 2026-03-14 23:59:30 local time: the durations cross midnight.
    const platform::DateTime start{1773532770000};
    EXPECT_EQ(FormatElapsed(start + GetParam().elapsed, start), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Durations, FormatElapsedTest,
                         ::testing::Values(ElapsedCase{999ms, "00:00:00"},
                                           ElapsedCase{-5500ms, "00:00:05"},
                                           ElapsedCase{23h + 59min + 59s, "23:59:59"},
                                           ElapsedCase{25h + 3s, "01:00:03"}));

TEST(EstimateSecondsTest, ProjectsTheTotalFromTheCountedSecondsIn32BitArithmetic) {
    EXPECT_EQ(EstimateSeconds(5, 7, 100), 307);
    EXPECT_FALSE(EstimateSeconds(1, 30, 0));
    // 100 ÷ 8 = 12.5 and 300 ÷ 8 = 37.5: halves go to the even neighbour.
    EXPECT_EQ(EstimateSeconds(0, 1, 8), 12);
    EXPECT_EQ(EstimateSeconds(0, 3, 8), 38);
    // 21,474,780 s × 100 fits in 32 bits, 59 s more do not.
    EXPECT_EQ(EstimateSeconds(357913, 0, 100), 21474780);
    EXPECT_FALSE(EstimateSeconds(357913, 59, 100));
}

TEST(ClampEstimateHoursTest, BringsOnlyTheHoursDownToTheJobsHours) {
    EXPECT_EQ(ClampEstimateHours("07:10:00", "05:30:00"), "05:10:00");
    EXPECT_FALSE(ClampEstimateHours("05:50:00", "05:10:00"));
    EXPECT_FALSE(ClampEstimateHours("04:10:00", "05:30:00"));
    // Hours of three digits compare as whole numbers.
    EXPECT_EQ(ClampEstimateHours("100:00:00", "05:30:00"), "05:00:00");
    EXPECT_FALSE(ClampEstimateHours("20:00:00", "100:00:00"));
}

} // namespace
} // namespace tarn
