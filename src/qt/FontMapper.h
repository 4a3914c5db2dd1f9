#pragma once

#include "forms/Types.h"
#include "qt/TwipsScale.h"

#include <QFont>

namespace tarn::gui {

// The window was designed for "MS Sans Serif", which does not exist here. Liberation Sans
// Narrow at 12 pixels for its 9.75 points keeps every caption inside its control at 96 dots
// per inch with room to spare; the regular width clips the longer check boxes.
inline constexpr const char* kSansSubstitute = "Liberation Sans Narrow";
inline constexpr double kSansPixelsPerPoint = 12.0 / 9.75;

// The installed face and pixel size that stand for a model's font on this screen.
QFont MapFont(const forms::Font& font, const TwipsScale& scale);

} // namespace tarn::gui
