#include "progress/ProgressBar.h"

#include "common/Rounding.h"

#include <cmath>

namespace tarn {

std::string BarText(bool isJob, std::int32_t percent) {
    const std::string digits = std::to_string(percent);
    if (isJob || percent < 0) {
        return digits + "%";
    }
    return " " + digits + "%";
}

float BarWidth(std::int32_t percent) {
    const auto product = static_cast<std::int32_t>(percent * kBarFullWidth);
    return static_cast<float>(static_cast<double>(product) / 100.0);
}

std::optional<std::int32_t> ReadBackPercent(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const std::string number = text.substr(0, text.size() - 1);
    std::size_t pos = number.find_first_not_of(' ');
    if (pos == std::string::npos) {
        return std::nullopt;
    }
    bool negative = false;
    if (number[pos] == '-' || number[pos] == '+') {
        negative = number[pos] == '-';
        ++pos;
    }
    if (pos == number.size()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (; pos < number.size(); ++pos) {
        const char c = number[pos];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::optional<std::int32_t> RoundPercent(double percent) {
    if (!std::isfinite(percent)) {
        return std::nullopt;
    }
    const double rounded = RoundHalfEven(percent);
    if (rounded < 0 || rounded > kMaxBarPercent) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(rounded);
}

} // namespace tarn
