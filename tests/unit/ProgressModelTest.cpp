#include "progress/ProgressBar.h"
#include "progress/SizeRatio.h"
#include "progress/TimeFormat.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <tuple>

namespace tarn {
namespace {

using namespace std::chrono_literals;

// Every ratio is the two-channel WAV byte rate over the MP3 byte rate written with three
// decimals, except five values that stand a little above the quotient. Files depend on these
// exact values: the progress of every job is measured with them.
TEST(SizeRatioTest, EveryValueOfTheTableExactly) {
    const std::map<std::tuple<int, std::int32_t, std::int16_t>, double> aboveTheQuotient{
        {{32, 44100, 8}, 22.051},
        {{32, 44100, 16}, 44.101},
        {{40, 48000, 8}, 19.202},
        {{56, 48000, 8}, 13.715},
        {{224, 48000, 16}, 6.8573}};
    int rows = 0;
    for (int kbps : {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}) {
        for (std::int32_t rate : {44100, 48000}) {
            for (std::int16_t bits : {std::int16_t{8}, std::int16_t{16}}) {
                SCOPED_TRACE(std::to_string(kbps) + " kbit/s " + std::to_string(rate) + " Hz " +
                             std::to_string(bits) + " bits");
                const double quotient = (rate * 2.0 * bits / 8) / (kbps * 1000.0 / 8);
                const auto found = aboveTheQuotient.find({kbps, rate, bits});
                const double table = found != aboveTheQuotient.end()
                                         ? found->second
                                         : std::round(quotient * 1000) / 1000;
                const std::string text = std::to_string(kbps);
                EXPECT_DOUBLE_EQ(SizeRatio(text, rate, bits, 2).value_or(0), table);
                // Only exactly one channel halves it.
                EXPECT_DOUBLE_EQ(SizeRatio(text, rate, bits, 1).value_or(0), table / 2);
                EXPECT_DOUBLE_EQ(SizeRatio(text, rate, bits, 0).value_or(0), table);
                EXPECT_DOUBLE_EQ(SizeRatio(text, rate, bits, 6).value_or(0), table);
                ++rows;
            }
        }
    }
    EXPECT_EQ(rows, 56);
    for (const auto& [text, rate, bits] : {std::tuple{"", 44100, 16},
                                           {" 128", 44100, 16},
                                           {"129", 44100, 16},
                                           {"128", 22050, 16},
                                           {"128", 44100, 24},
                                           {"128", 48001, 8}}) {
        EXPECT_FALSE(SizeRatio(text, rate, static_cast<std::int16_t>(bits), 2)) << text;
    }
    // Ten seconds of CD sound with its header: 160,003.99 bytes of MP3 at 128 kbit/s.
    EXPECT_NEAR(ExpectedMp3Length(1764044, 11.025).value(), 160003.99, 0.005);
    EXPECT_NEAR(ExpectedMp3Length(4410000044, 11.025).value(), 400000003.99, 0.005);
    for (double unusable : {0.0, -11.025, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(ExpectedMp3Length(1764044, unusable)) << unusable;
    }
}

TEST(BarTest, TextWidthAndTheNumberReadBack) {
    struct Row {
        bool isJob;
        std::int32_t percent;
        const char* text;
        float width;
    };
    for (const Row& row :
         {Row{false, 42, " 42%", 2072.7F}, Row{true, 42, "42%", 2072.7F},
          Row{false, 103, " 103%", 5083.05F}, Row{true, 0, "0%", 0.0F}, Row{false, 0, " 0%", 0.0F},
          Row{true, 435153, "435153%", 21474800.55F}}) {
        EXPECT_EQ(BarText(row.isJob, row.percent), row.text);
        EXPECT_FLOAT_EQ(BarWidth(row.percent), row.width) << row.text;
        EXPECT_EQ(ReadBackPercent(row.text), row.percent);
    }
    EXPECT_EQ(ReadBackPercent("-5%"), -5);
    EXPECT_EQ(ReadBackPercent("+7%"), 7);
    EXPECT_EQ(ReadBackPercent("2147483647%"), INT32_MAX);
    for (const char* text : {"", "%", " %", "4x%", "-%", "4 2%", "2147483648%"}) {
        EXPECT_FALSE(ReadBackPercent(text)) << text;
    }
    // Halves go to the even neighbour; a bar shows 0 to the largest width 32 bits hold.
    const std::pair<double, std::optional<std::int32_t>> rounded[] = {
        {42.5, 42},     {43.5, 44},         {42.49, 42},        {0.5, 0},
        {-0.4, 0},      {435153.0, 435153}, {435153.4, 435153}, {-1.0, std::nullopt},
        {435154.0, {}}, {std::nan(""), {}}, {INFINITY, {}}};
    for (const auto& [percent, expected] : rounded) {
        EXPECT_EQ(RoundPercent(percent), expected) << percent;
    }
}

TEST(TimeFormatTest, EstimatesElapsedTimesAndTheSecondsField) {
    for (const auto& [seconds, text] : {std::pair{0, "00:00:00"},
                                        {9, "00:00:09"},
                                        {60, "00:01:00"},
                                        {3599, "00:59:59"},
                                        {4000, "01:06:40"},
                                        {36000, "10:00:00"},
                                        {360000, "100:00:00"}}) {
        EXPECT_EQ(FormatEstimate(seconds), text);
    }
    // 2026-03-14 23:59:30 local time: the durations cross midnight; fractions are cut off.
    const platform::DateTime start{1773532770000};
    for (const auto& [elapsed, text] : {std::pair{999ms, "00:00:00"},
                                        {-5500ms, "00:00:05"},
                                        {61s, "00:01:01"},
                                        {10min, "00:10:00"},
                                        {1h, "01:00:00"},
                                        {23h + 59min + 59s, "23:59:59"},
                                        {24h, "00:00:00"},
                                        {25h + 3s + 999ms, "01:00:03"}}) {
        EXPECT_EQ(FormatElapsed(start + elapsed, start), text);
    }
    for (const auto& [text, field] :
         {std::pair<const char*, std::optional<std::int32_t>>{"01:02:59", 59},
          {"00:00:07", 7},
          {"07", 7},
          {"9", std::nullopt},
          {"0a", std::nullopt},
          {"a0", std::nullopt}}) {
        EXPECT_EQ(SecondsField(text), field) << text;
    }
}

TEST(TimeFormatTest, ProjectsTheTotalAndClampsOnlyTheFileEstimatesHours) {
    // (minutes × 60 + seconds) × 100 ÷ percent, halves to even, the product in 32 bits.
    EXPECT_EQ(EstimateSeconds(1, 30, 30), 300);
    EXPECT_EQ(EstimateSeconds(1, 30, 45), 200);
    EXPECT_EQ(EstimateSeconds(0, 1, 8), 12);
    EXPECT_EQ(EstimateSeconds(0, 3, 8), 38);
    EXPECT_EQ(EstimateSeconds(0, 0, 1), 0);
    EXPECT_EQ(EstimateSeconds(357913, 0, 100), 21474780);
    EXPECT_FALSE(EstimateSeconds(357913, 59, 100));
    EXPECT_FALSE(EstimateSeconds(1, 30, 0));
    EXPECT_FALSE(EstimateSeconds(1, 30, -5));
    EXPECT_FALSE(EstimateSeconds(-1, 0, 50));

    EXPECT_EQ(ClampEstimateHours("07:10:00", "05:30:00"), "05:10:00");
    EXPECT_EQ(ClampEstimateHours("01:23:45", "00:00:00"), "00:23:45");
    EXPECT_EQ(ClampEstimateHours("100:00:00", "05:30:00"), "05:00:00");
    for (const auto& [file, job] : {std::pair{"05:50:00", "05:10:00"},
                                    {"04:10:00", "05:30:00"},
                                    {"20:00:00", "100:00:00"},
                                    {"x1:00:00", "00:00:00"},
                                    {":00:00", "00:00:00"},
                                    {"07:00:00", "0x:00:00"},
                                    {"0700", "00:00:00"}}) {
        EXPECT_FALSE(ClampEstimateHours(file, job)) << file << " " << job;
    }
}

} // namespace
} // namespace tarn
