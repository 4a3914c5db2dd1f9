#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarn {

// The width of a bar at 100 %, in twips.
inline constexpr std::int32_t kBarFullWidth = 4935;
// The largest percentage whose product with the full width fits in 32 bits.
inline constexpr std::int32_t kMaxBarPercent = INT32_MAX / kBarFullWidth;

// The text of a bar: the job bar "42%", the file bar " 42%" (a blank in the place of the sign).
std::string BarText(bool isJob, std::int32_t percent);

// percent × 4935 ÷ 100 twips, the product in 32 bits, the quotient kept in single precision
// without rounding or clamping. Only for |percent| <= kMaxBarPercent.
float BarWidth(std::int32_t percent);

// The percentage held in a bar's text: the text without its last character, leading blanks
// ignored. Nothing when that is not a whole number.
std::optional<std::int32_t> ReadBackPercent(const std::string& text);

// A percentage computed in real arithmetic, rounded halves to even; nothing when it is not a
// finite number a bar can show (0 to kMaxBarPercent).
std::optional<std::int32_t> RoundPercent(double percent);

} // namespace tarn
