#pragma once

#include "platform/PaintSurface.h"

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tarn::testing {

// A surface that behaves as a device context does, keeping the fonts it made, and writes down
// every print with the state it was made in.
class RecordingPaintSurface : public platform::PaintSurface {
public:
    static constexpr platform::FontHandle kStockFont = 1;

    struct PrintCall {
        std::string text;
        float x;
        float y;
        std::uint32_t color;
        std::int16_t scaleMode;
        platform::LogFont font; // empty face for the surface's own font
    };

    void SetGraphicsMode(int mode) override {
        if (mode != platform::kGraphicsModeCompatible && mode != platform::kGraphicsModeAdvanced) {
            throw std::invalid_argument("graphics mode");
        }
        graphicsMode = mode;
    }
    std::int16_t ScaleMode() const override { return scaleMode_; }
    void SetScaleMode(std::int16_t mode) override {
        using namespace platform;
        for (std::int16_t known : {kScaleTwips, kScalePoints, kScalePixels, kScaleInches,
                                   kScaleMillimeters, kScaleCentimeters}) {
            if (mode == known) {
                scaleMode_ = mode;
                return;
            }
        }
        throw std::invalid_argument("scale mode");
    }
    float CurrentX() const override { return currentX_; }
    void SetCurrentX(float x) override { currentX_ = x; }
    float CurrentY() const override { return currentY_; }
    void SetCurrentY(float y) override { currentY_ = y; }
    std::uint32_t ForeColor() const override { return foreColor_; }
    void SetForeColor(std::uint32_t color) override { foreColor_ = color; }
    platform::FontHandle CreateFontIndirect(const platform::LogFont& font) override {
        fontsCreated.push_back(font);
        if (refuseFonts) {
            return 0;
        }
        fonts_[nextFont_] = font;
        return nextFont_++;
    }
    platform::FontHandle SelectObject(platform::FontHandle font) override {
        if (font != kStockFont && fonts_.count(font) == 0) {
            ++unknownSelected; // a device context refuses it
            return 0;
        }
        return std::exchange(selected_, font);
    }
    bool DeleteObject(platform::FontHandle font) override {
        fontsDeleted.push_back(font);
        return font != selected_ && fonts_.erase(font) == 1;
    }
    void Print(const std::string& text) override {
        if (failAtPrint != 0 && static_cast<int>(prints.size()) + 1 == failAtPrint) {
            throw std::runtime_error("print");
        }
        const auto font = fonts_.find(selected_);
        prints.push_back({text, currentX_, currentY_, foreColor_, scaleMode_,
                          font == fonts_.end() ? platform::LogFont{} : font->second});
        currentX_ = 0;
        currentY_ += 30; // a line down
    }

    // ---- What happened ----
    int graphicsMode = platform::kGraphicsModeCompatible;
    std::vector<platform::LogFont> fontsCreated;
    std::vector<platform::FontHandle> fontsDeleted;
    std::vector<PrintCall> prints;
    platform::FontHandle Selected() const { return selected_; }
    std::size_t LiveFonts() const { return fonts_.size(); } // made and not deleted
    int unknownSelected = 0;

    // ---- Failures to act out ----
    int failAtPrint = 0;      // print number n (from 1) throws, as a surface that cannot draw
    bool refuseFonts = false; // CreateFontIndirect makes no font

private:
    std::int16_t scaleMode_ = platform::kScaleTwips;
    float currentX_ = 0;
    float currentY_ = 0;
    std::uint32_t foreColor_ = 0;
    platform::FontHandle selected_ = kStockFont;
    platform::FontHandle nextFont_ = kStockFont + 1;
    std::map<platform::FontHandle, platform::LogFont> fonts_;
};

} // namespace tarn::testing
