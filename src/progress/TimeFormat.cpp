#include "progress/TimeFormat.h"

#include "common/Rounding.h"

#include <charconv>
#include <cstdlib>

namespace tarn {

namespace {

std::string TwoDigits(std::int64_t value) {
    std::string text = std::to_string(value);
    if (value < 10) {
        text.insert(text.begin(), '0');
    }
    return text;
}

struct HoursField {
    std::uint64_t hours;
    std::size_t end; // position of the ":" after the hours
};

std::optional<HoursField> ParseHours(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    std::uint64_t hours = 0;
    const char* end = text.data() + colon;
    // At least one digit, digits only, and a number that fits.
    const auto [stop, error] = std::from_chars(text.data(), end, hours);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return HoursField{hours, colon};
}

} // namespace

std::string FormatEstimate(std::int64_t seconds) {
    return TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds % 3600 / 60) + ":" +
           TwoDigits(seconds % 60);
}

std::string FormatElapsed(platform::DateTime clock, platform::DateTime start) {
    const std::int64_t milliseconds = std::llabs((clock - start).count());
    return FormatEstimate(milliseconds / 1000 % 86400);
}

std::optional<std::int32_t> SecondsField(const std::string& elapsedText) {
    if (elapsedText.size() < 2) {
        return std::nullopt;
    }
    const char tens = elapsedText[elapsedText.size() - 2];
    const char units = elapsedText[elapsedText.size() - 1];
    if (tens < '0' || tens > '9' || units < '0' || units > '9') {
        return std::nullopt;
    }
    return (tens - '0') * 10 + (units - '0');
}

std::optional<std::int64_t> EstimateSeconds(std::int32_t minutes, std::int32_t seconds,
                                            std::int32_t percent) {
    if (percent <= 0) {
        return std::nullopt;
    }
    const std::int64_t product = (static_cast<std::int64_t>(minutes) * 60 + seconds) * 100;
    if (product < 0 || product > INT32_MAX) {
        return std::nullopt;
    }
    return RoundToInt64(static_cast<double>(product) / percent);
}

std::optional<std::string> ClampEstimateHours(const std::string& fileText,
                                              const std::string& jobText) {
    const auto file = ParseHours(fileText);
    const auto job = ParseHours(jobText);
    if (!file || !job || file->hours <= job->hours) {
        return std::nullopt;
    }
    return jobText.substr(0, job->end) + fileText.substr(file->end);
}

} // namespace tarn
