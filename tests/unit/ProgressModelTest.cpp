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
using Read = std::pair<const char*, std::optional<std::int32_t>>;

// WAV over MP3 byte rate to three decimals, five values a little above: progress uses them all.
TEST(SizeRatioTest, EveryValueOfTheTableExactly) {
    using Key = std::tuple<int, std::int32_t, std::int16_t>;
    const std::map<Key, double> aboveTheQuotient{
        std::pair{Key{32, 44100, 8}, 22.051}, std::pair{Key{32, 44100, 16}, 44.101},
        std::pair{Key{40, 48000, 8}, 19.202}, std::pair{Key{56, 48000, 8}, 13.715},
        std::pair{Key{224, 48000, 16}, 6.8573}};
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
                // Only exactly one channel halves it.
                for (const int channels : {0, 1, 2, 6}) {
                    EXPECT_DOUBLE_EQ(
                        SizeRatio(text, rate, bits, std::int16_t(channels)).value_or(0),
                        channels == 1 ? table / 2 : table);
                }
            }
        }
    }
    // No bit rate chosen gives no ratio; a length only comes from a ratio that can divide it.
    EXPECT_FALSE(SizeRatio("", 44100, 16, 2));
    for (double unusable : {0.0, -11.025, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(ExpectedMp3Length(1764044, unusable)) << unusable;
    }
}

TEST(BarTest, TextWidthAndTheNumberReadBack) {
    using Row = std::tuple<bool, std::int32_t, const char*, float>;
    for (const auto& [isJob, percent, text, width] :
         {Row{false, 0, " 0%", 0.0F}, Row{true, 435153, "435153%", 21474800.55F}}) {
        EXPECT_EQ(BarText(isJob, percent), text);
        EXPECT_FLOAT_EQ(BarWidth(percent), width) << text;
        EXPECT_EQ(ReadBackPercent(text), percent);
    }
    for (const auto& [text, percent] :
         {Read{"-5%", -5}, Read{"+7%", 7}, Read{"2147483647%", INT32_MAX}, Read{"", {}},
          Read{" %", {}}, Read{"4x%", {}}, Read{"-%", {}}, Read{"2147483648%", {}}}) {
        EXPECT_EQ(ReadBackPercent(text), percent) << text;
    }
    using Rounded = std::pair<double, std::optional<std::int32_t>>;
    for (const auto& [percent, expected] :
         {Rounded{42.5, 42}, Rounded{43.5, 44}, Rounded{0.5, 0}, Rounded{-0.4, 0},
          Rounded{435153.0, 435153}, Rounded{-1.0, {}}, Rounded{435154.0, {}},
          Rounded{std::nan(""), {}}, Rounded{INFINITY, {}}}) {
        EXPECT_EQ(RoundPercent(percent), expected) << percent;
    }
}

// What the clock's scenarios do not reach: negative times, malformed texts, 32-bit overflows.
TEST(TimeFormatTest, ReadsAndProjectsEdgesAndClampsOnlyTheFileEstimatesHours) {
    const platform::DateTime start{1773532770000};
    EXPECT_EQ(FormatElapsed(start - 5500ms, start), "00:00:05");
    EXPECT_EQ(FormatEstimate(360000), "100:00:00");
    for (const auto& [text, field] :
         {Read{"01:02:59", 59}, Read{"07", 7}, Read{"9", {}}, Read{"0a", {}}, Read{"a0", {}}}) {
        EXPECT_EQ(SecondsField(text), field) << text;
    }
    // (minutes × 60 + seconds) × 100 ÷ percent, halves to even, the product in 32 bits.
    using Projection =
        std::tuple<std::int32_t, std::int32_t, std::int32_t, std::optional<std::int32_t>>;
    for (const auto& [minutes, seconds, percent, total] :
         {Projection{0, 1, 8, 12}, Projection{0, 3, 8, 38}, Projection{0, 0, 1, 0},
          Projection{357913, 0, 100, 21474780}, Projection{357913, 59, 100, {}},
          Projection{1, 30, 0, {}}, Projection{-1, 0, 50, {}}}) {
        EXPECT_EQ(EstimateSeconds(minutes, seconds, percent), total) << minutes << ":" << seconds;
    }
    using Clamp = std::tuple<const char*, const char*, std::optional<std::string>>;
    for (const auto& [file, job, clamped] :
         {Clamp{"07:10:00", "05:30:00", "05:10:00"}, Clamp{"100:00:00", "05:30:00", "05:00:00"},
          Clamp{"05:50:00", "05:10:00", {}}, Clamp{"20:00:00", "100:00:00", {}},
          Clamp{"x1:00:00", "00:00:00", {}}, Clamp{":00:00", "00:00:00", {}},
          Clamp{"07:00:00", "0x:00:00", {}}, Clamp{"0700", "00:00:00", {}}}) {
        EXPECT_EQ(ClampEstimateHours(file, job), clamped) << file << " " << job;
    }
}

} // namespace
} // namespace tarn
