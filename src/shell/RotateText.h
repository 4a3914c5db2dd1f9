#pragma once

#include "platform/PaintSurface.h"
#include "platform/Platform.h"

#include <cstdint>
#include <string>

namespace tarn {

// A colour argument of RotateText that leaves its layer out.
inline constexpr std::int32_t kNoColor = -1;

// Prints `text` on `target` in a font of the face, size (points) and angle (degrees) given,
// `x`, `y` in pixels being its top-left corner: `depth` copies in `downRightColor` moved 1 to
// `depth` pixels down and right, then `depth` copies in `upLeftColor` moved up and left, then
// the text itself in `faceColor`. The font is made and deleted at each call.
// On an error the drawing stops, the scale mode is given back, the message "RotateText" is shown
// and the result is false.
bool RotateText(platform::Notifier& notifier, platform::Desktop& screen,
                platform::PaintSurface& target, const std::string& text,
                const std::string& fontName, std::int16_t bold, std::int16_t italic,
                std::int16_t fontSize, std::int32_t angle, std::int32_t downRightColor,
                std::int32_t upLeftColor, std::int32_t faceColor, float x, float y,
                std::int16_t depth);

} // namespace tarn
