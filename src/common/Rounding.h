#pragma once

#include <cmath>
#include <cstdint>

namespace tarn {

// Every conversion of a real number to a whole number in this program rounds to the nearest
// whole number, halves going to the even neighbour: 42.5 gives 42, 43.5 gives 44.
inline double RoundHalfEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5) {
        return floor + 1.0;
    }
    if (fraction < 0.5) {
        return floor;
    }
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

inline std::int64_t RoundToInt64(double value) {
    return static_cast<std::int64_t>(RoundHalfEven(value));
}

} // namespace tarn
