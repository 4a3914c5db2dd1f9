#pragma once

#include "platform/PaintSurface.h"

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tarn::testing {

// A surface keeping its fonts as a device context does, recording each print with its state.
class RecordingPaintSurface : public platform::PaintSurface {
public:
    static constexpr platform::FontHandle kStockFont = 1;

    struct PrintCall {
        std::string text;
        float x, y;
        std::uint32_t color;
        std::int16_t scaleMode;
        platform::LogFont font; // empty face for the surface's own font
    };

    void SetGraphicsMode(int mode) override { graphicsMode = mode; }
    std::int16_t ScaleMode() const override { return scaleMode_; }
    void SetScaleMode(std::int16_t mode) override { scaleMode_ = mode; }
    float CurrentX() const override { return currentX_; }
    void SetCurrentX(float x) override { currentX_ = x; }
    float CurrentY() const override { return currentY_; }
    void SetCurrentY(float y) override { currentY_ = y; }
    std::uint32_t ForeColor() const override { return foreColor_; }
    void SetForeColor(std::uint32_t color) override { foreColor_ = color; }
    platform::FontHandle CreateFontIndirect(const platform::LogFont& font) override {
        fonts_[nextFont_] = font;
        return nextFont_++;
    }
    // A font it did not make is refused; a selected one is not deleted.
    platform::FontHandle SelectObject(platform::FontHandle font) override {
        if (font == kStockFont && failsToRestore) {
            throw std::runtime_error("the stock font is gone");
        }
        return font == kStockFont || fonts_.count(font) != 0 ? std::exchange(selected_, font) : 0;
    }
    bool DeleteObject(platform::FontHandle font) override {
        return font != selected_ && fonts_.erase(font) == 1;
    }
    void Print(const std::string& text) override {
        const auto font = fonts_.find(selected_);
        prints.push_back({text, currentX_, currentY_, foreColor_, scaleMode_,
                          font == fonts_.end() ? platform::LogFont{} : font->second});
        currentX_ = 0;
        currentY_ += 30; // a line down
    }
    platform::FontHandle Selected() const { return selected_; }
    std::size_t LiveFonts() const { return fonts_.size(); } // made and not deleted

    std::vector<PrintCall> prints;
    int graphicsMode = platform::kGraphicsModeCompatible;
    bool failsToRestore = false;

private:
    std::int16_t scaleMode_ = platform::kScaleTwips;
    float currentX_ = 0, currentY_ = 0;
    std::uint32_t foreColor_ = 0;
    platform::FontHandle selected_ = kStockFont;
    platform::FontHandle nextFont_ = kStockFont + 1;
    std::map<platform::FontHandle, platform::LogFont> fonts_;
};

} // namespace tarn::testing
