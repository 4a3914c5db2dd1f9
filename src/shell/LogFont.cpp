#include "shell/LogFont.h"

#include "common/Rounding.h"

#include <cmath>
#include <limits>

namespace tarn {

std::string StyledFaceName(const std::string& fontName, std::int16_t bold, std::int16_t italic) {
    std::string name = fontName;
    if (bold == kBooleanTrue) {
        name += " Bold";
    }
    if (italic == kBooleanTrue) {
        name += " Italic";
    }
    return name;
}

std::optional<platform::LogFont> BuildLogFont(const std::string& fontName, std::int16_t bold,
                                              std::int16_t italic, std::int16_t fontSize,
                                              std::int32_t angle, double twipsPerPixelY) {
    const std::int32_t sizeProduct = std::int32_t{fontSize} * 20;
    if (sizeProduct > std::numeric_limits<std::int16_t>::max() ||
        sizeProduct < std::numeric_limits<std::int16_t>::min()) {
        return std::nullopt;
    }
    const std::int64_t escapement = std::int64_t{angle} * 10;
    if (escapement > std::numeric_limits<std::int32_t>::max() ||
        escapement < std::numeric_limits<std::int32_t>::min()) {
        return std::nullopt;
    }
    if (!std::isfinite(twipsPerPixelY) || twipsPerPixelY <= 0.0) {
        return std::nullopt;
    }
    const double height = RoundHalfEven(-static_cast<double>(sizeProduct) / twipsPerPixelY);
    if (height > std::numeric_limits<std::int32_t>::max() ||
        height < std::numeric_limits<std::int32_t>::min()) {
        return std::nullopt;
    }

    platform::LogFont font;
    font.lfHeight = static_cast<std::int32_t>(height);
    font.lfEscapement = static_cast<std::int32_t>(escapement);
    // The name ends with a NUL and the field is cut or padded with blanks to its full length.
    const std::string face = StyledFaceName(fontName, bold, italic) + '\0';
    font.lfFaceName.fill(' ');
    for (std::size_t i = 0; i < face.size() && i < font.lfFaceName.size(); ++i) {
        font.lfFaceName[i] = face[i];
    }
    return font;
}

} // namespace tarn
