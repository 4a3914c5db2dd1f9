#pragma once

#include "platform/PaintSurface.h"

#include <cstdint>
#include <string>

namespace tarn {

// A font that can be had on this system, chosen for a font record.
struct MappedFont {
    std::string family;
    bool bold = false;
    bool italic = false;
    // Size in pixels: the em height, or the height of the whole character cell when
    // `cellHeight` is set (a positive record height).
    std::int64_t pixelSize = 0;
    bool cellHeight = false;
    // Angle of the base line in degrees, counter-clockwise.
    double rotation = 0.0;

    bool operator==(const MappedFont&) const = default;
};

// Size used when the record leaves the height to the system (height 0).
inline constexpr std::int64_t kDefaultFontPixels = 16;

// Maps a record to an installed font: the words " Bold" and " Italic" at the end of the face
// name (in any order and letter case) select the styles, as do a weight of 600 or more and a
// set italic byte; the well-known Windows faces become their metric-compatible Liberation
// families; other faces are kept for the system to match.
MappedFont MapLogFont(const platform::LogFont& font);

} // namespace tarn
