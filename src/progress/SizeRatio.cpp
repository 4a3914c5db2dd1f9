#include "progress/SizeRatio.h"

#include <array>
#include <cmath>

namespace tarn {

namespace {

struct RatioRow {
    const char* bitrate;
    // 44100 Hz 8-bit, 44100 Hz 16-bit, 48000 Hz 8-bit, 48000 Hz 16-bit.
    std::array<double, 4> ratios;
};

// Two-channel WAV byte rate over MP3 byte rate, with at most three decimals; a few values stand
// slightly above the exact quotient and are kept as they are.
constexpr std::array<RatioRow, 14> kRatioTable{{
    {"32", {22.051, 44.101, 24, 48}},
    {"40", {17.64, 35.28, 19.202, 38.4}},
    {"48", {14.7, 29.4, 16, 32}},
    {"56", {12.6, 25.2, 13.715, 27.429}},
    {"64", {11.025, 22.05, 12, 24}},
    {"80", {8.82, 17.64, 9.6, 19.2}},
    {"96", {7.35, 14.7, 8, 16}},
    {"112", {6.3, 12.6, 6.857, 13.714}},
    {"128", {5.513, 11.025, 6, 12}},
    {"160", {4.41, 8.82, 4.8, 9.6}},
    {"192", {3.675, 7.35, 4, 8}},
    {"224", {3.15, 6.3, 3.429, 6.8573}},
    {"256", {2.756, 5.513, 3, 6}},
    {"320", {2.205, 4.41, 2.4, 4.8}},
}};

std::optional<std::size_t> FormatColumn(std::int32_t sampleRate, std::int16_t bitsPerSample) {
    std::size_t column = 0;
    if (sampleRate == 48000) {
        column = 2;
    } else if (sampleRate != 44100) {
        return std::nullopt;
    }
    if (bitsPerSample == 16) {
        column += 1;
    } else if (bitsPerSample != 8) {
        return std::nullopt;
    }
    return column;
}

} // namespace

std::optional<double> SizeRatio(const std::string& bitrateText, std::int32_t sampleRate,
                                std::int16_t bitsPerSample, std::int16_t channels) {
    const auto column = FormatColumn(sampleRate, bitsPerSample);
    if (!column) {
        return std::nullopt;
    }
    for (const RatioRow& row : kRatioTable) {
        if (bitrateText == row.bitrate) {
            const double ratio = row.ratios[*column];
            return channels == 1 ? ratio / 2 : ratio;
        }
    }
    return std::nullopt;
}

std::optional<double> ExpectedMp3Length(std::int64_t wavLength, double ratio) {
    if (!(ratio > 0) || !std::isfinite(ratio)) {
        return std::nullopt;
    }
    return static_cast<double>(wavLength) / ratio;
}

} // namespace tarn
