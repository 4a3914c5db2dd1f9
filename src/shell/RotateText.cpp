#include "shell/RotateText.h"

#include "shell/AppInfo.h"
#include "shell/LogFont.h"

#include <exception>
#include <optional>
#include <stdexcept>

namespace tarn {

namespace {

void PrintCopies(platform::PaintSurface& target, const std::string& text, std::int32_t color,
                 float x, float y, std::int16_t depth, float direction) {
    if (color == kNoColor) {
        return;
    }
    target.SetForeColor(static_cast<std::uint32_t>(color));
    for (std::int16_t k = 1; k <= depth; ++k) {
        const float offset = direction * static_cast<float>(k);
        target.SetCurrentX(x + offset);
        target.SetCurrentY(y + offset);
        target.Print(text);
    }
}

} // namespace

bool RotateText(platform::Notifier& notifier, platform::Desktop& screen,
                platform::PaintSurface& target, const std::string& text,
                const std::string& fontName, std::int16_t bold, std::int16_t italic,
                std::int16_t fontSize, std::int32_t angle, std::int32_t downRightColor,
                std::int32_t upLeftColor, std::int32_t faceColor, float x, float y,
                std::int16_t depth) {
    std::optional<std::int16_t> savedScaleMode;
    platform::FontHandle font = 0;
    platform::FontHandle replaced = 0;
    bool failed = false;
    try {
        target.SetGraphicsMode(platform::kGraphicsModeAdvanced);
        savedScaleMode = target.ScaleMode();
        target.SetScaleMode(platform::kScalePixels);

        const auto logFont =
            BuildLogFont(fontName, bold, italic, fontSize, angle, screen.ScreenTwipsPerPixelY());
        if (!logFont) {
            throw std::overflow_error("font size");
        }
        font = target.CreateFontIndirect(*logFont);
        // Without a font of its own the text is printed in the font already selected.
        if (font != 0) {
            replaced = target.SelectObject(font);
        }

        target.SetCurrentX(x);
        target.SetCurrentY(y);
        PrintCopies(target, text, downRightColor, x, y, depth, 1.0F);
        PrintCopies(target, text, upLeftColor, x, y, depth, -1.0F);
        PrintCopies(target, text, faceColor, x, y, 1, 0.0F);
    } catch (const std::exception&) {
        failed = true;
    }
    // Drawn or not, the surface gets back its font and its scale mode, and the font made here
    // is deleted: each step also when another fails.
    const auto cleanUp = [&failed](const auto& step) {
        try {
            step();
        } catch (const std::exception&) {
            failed = true;
        }
    };
    if (replaced != 0) {
        cleanUp([&] { target.SelectObject(replaced); });
    }
    if (font != 0) {
        cleanUp([&] { target.DeleteObject(font); });
    }
    if (savedScaleMode) {
        cleanUp([&] { target.SetScaleMode(*savedScaleMode); });
    }
    if (failed) {
        notifier.ShowMessage({"RotateText", platform::MessageIcon::None, kAppTitle});
    }
    return !failed;
}

} // namespace tarn
