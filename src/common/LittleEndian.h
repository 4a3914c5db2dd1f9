#pragma once

#include <cstdint>

namespace tarn {

// Whole numbers stored least significant byte first, as WAV files store them.
inline std::uint16_t ReadU16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8U));
}

inline std::uint32_t ReadU32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(ReadU16(bytes)) |
           (static_cast<std::uint32_t>(ReadU16(bytes + 2)) << 16U);
}

} // namespace tarn
