#pragma once

#include "platform/PaintSurface.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tarn {

// Booleans of the window's procedures are 16-bit: True is -1, and a flag counts as set only when
// it is exactly True.
inline constexpr std::int16_t kBooleanTrue = -1;
inline constexpr std::int16_t kBooleanFalse = 0;

// The face name with " Bold" appended when `bold` is True, then " Italic" when `italic` is.
std::string StyledFaceName(const std::string& fontName, std::int16_t bold, std::int16_t italic);

// The record for a font of `fontSize` points at `angle` degrees counter-clockwise on a screen of
// `twipsPerPixelY`: the height negative, in pixels, from the 16-bit product of the size and 20;
// the escapement in tenths of a degree; bold and italic asked for only through the face name.
// Nothing when the size product overflows 16 bits, the escapement 32 bits, or the height
// cannot be formed.
std::optional<platform::LogFont> BuildLogFont(const std::string& fontName, std::int16_t bold,
                                              std::int16_t italic, std::int16_t fontSize,
                                              std::int32_t angle, double twipsPerPixelY);

} // namespace tarn
