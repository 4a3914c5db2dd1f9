#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tarn {

// An estimate of E whole seconds as hours:minutes:seconds, each at least two digits; the hours
// have no limit ("100:00:00"). E must not be negative.
std::string FormatEstimate(std::int64_t seconds);

// The elapsed time from `start` to `clock` (its magnitude) as "hh:mm:ss": the time of day of
// that duration, whole days dropped, the fraction of a second cut off.
std::string FormatElapsed(platform::DateTime clock, platform::DateTime start);

// The seconds field (the last two digits) of an elapsed text; nothing when it has none.
std::optional<std::int32_t> SecondsField(const std::string& elapsedText);

// The projected total duration: (minutes × 60 + seconds) × 100 ÷ percent, the product in 32-bit
// arithmetic, rounded halves to even. Nothing while the percentage is 0 or when the product
// does not fit in 32 bits.
std::optional<std::int64_t> EstimateSeconds(std::int32_t minutes, std::int32_t seconds,
                                            std::int32_t percent);

// The file estimate with its hours brought down to the job estimate's hours when they are
// greater (minutes and seconds stay); nothing when no change is needed.
std::optional<std::string> ClampEstimateHours(const std::string& fileText,
                                              const std::string& jobText);

} // namespace tarn
