#include "shell/RotateText.h"

#include "shell/AppInfo.h"
#include "shell/LogFont.h"

#include <exception>
#include <functional>
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

// One change made to the surface, undone when this goes, also when the drawing stopped half-way.
// An undo that fails marks the drawing failed and keeps the others from being skipped.
class SurfaceChange {
public:
    explicit SurfaceChange(bool& failed) : failed_(failed) {}
    ~SurfaceChange() {
        if (!undo_) {
            return;
        }
        try {
            undo_();
        } catch (const std::exception&) {
            failed_ = true;
        }
    }
    SurfaceChange(const SurfaceChange&) = delete;
    SurfaceChange& operator=(const SurfaceChange&) = delete;

    void UndoWith(std::function<void()> undo) { undo_ = std::move(undo); }

private:
    bool& failed_;
    std::function<void()> undo_;
};

} // namespace

bool RotateText(platform::Notifier& notifier, platform::Desktop& screen,
                platform::PaintSurface& target, const std::string& text,
                const std::string& fontName, std::int16_t bold, std::int16_t italic,
                std::int16_t fontSize, std::int32_t angle, std::int32_t downRightColor,
                std::int32_t upLeftColor, std::int32_t faceColor, float x, float y,
                std::int16_t depth) {
    bool failed = false;
    {
        // Undone in the opposite order: the font given back, the font made here deleted, the
        // scale mode restored.
        SurfaceChange scaleMode(failed);
        SurfaceChange madeFont(failed);
        SurfaceChange selectedFont(failed);
        try {
            target.SetGraphicsMode(platform::kGraphicsModeAdvanced);
            const std::int16_t savedScaleMode = target.ScaleMode();
            scaleMode.UndoWith([&target, savedScaleMode] { target.SetScaleMode(savedScaleMode); });
            target.SetScaleMode(platform::kScalePixels);

            const auto logFont = BuildLogFont(fontName, bold, italic, fontSize, angle,
                                              screen.ScreenTwipsPerPixelY());
            if (!logFont) {
                throw std::overflow_error("font size");
            }
            // Without a font of its own the text is printed in the font already selected.
            if (const platform::FontHandle font = target.CreateFontIndirect(*logFont); font != 0) {
                madeFont.UndoWith([&target, font] { target.DeleteObject(font); });
                if (const platform::FontHandle replaced = target.SelectObject(font);
                    replaced != 0) {
                    selectedFont.UndoWith([&target, replaced] { target.SelectObject(replaced); });
                }
            }

            target.SetCurrentX(x);
            target.SetCurrentY(y);
            PrintCopies(target, text, downRightColor, x, y, depth, 1.0F);
            PrintCopies(target, text, upLeftColor, x, y, depth, -1.0F);
            PrintCopies(target, text, faceColor, x, y, 1, 0.0F);
        } catch (const std::exception&) {
            failed = true;
        }
    }
    if (failed) {
        notifier.ShowMessage({"RotateText", platform::MessageIcon::None, kAppTitle});
    }
    return !failed;
}

} // namespace tarn
