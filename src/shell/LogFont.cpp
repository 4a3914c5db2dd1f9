#include "shell/LogFont.h"

#include "common/Rounding.h"

#include <algorithm>
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
    // The product is formed in 16 bits: a size whose product does not fit is an error.
    const std::int32_t sizeProduct = std::int32_t{fontSize} * 20;
    if (sizeProduct != static_cast<std::int16_t>(sizeProduct)) {
        return std::nullopt;
    }
    const std::int64_t escapement = std::int64_t{angle} * 10;
    if (escapement != static_cast<std::int32_t>(escapement)) {
        return std::nullopt;
    }
    // Also refuses a screen without a usable resolution (a height that is not a number).
    const double height = RoundHalfEven(-static_cast<double>(sizeProduct) / twipsPerPixelY);
    if (!(std::abs(height) <= std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }

    platform::LogFont font;
    font.lfHeight = static_cast<std::int32_t>(height);
    font.lfEscapement = static_cast<std::int32_t>(escapement);
    // The name ends with a NUL and the field is cut or padded with blanks to its full length.
    const std::string face = StyledFaceName(fontName, bold, italic) + '\0';
    font.lfFaceName.fill(' ');
    std::copy_n(face.begin(), std::min(face.size(), font.lfFaceName.size()),
                font.lfFaceName.begin());
    return font;
}

} // namespace tarn
