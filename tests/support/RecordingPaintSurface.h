#pragma once

#include "platform/PaintSurface.h"

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarn::testing {

// A surface that behaves as a device context does, keeping the fonts it made, and writes down
// every print with the state it was made in.
class RecordingPaintSurface : public platform::PaintSurface {
public:
    static constexpr platform::FontHandle kStockFont = 1;
    // How far a print moves the current position down.
    static constexpr float kLineHeight = 30;

    struct PrintCall {
        std::string text;
        float x;
        float y;
        std::uint32_t color;
        std::int16_t scaleMode;
        // The record of the selected font; empty face for the surface's own font.
        platform::LogFont font;
    };

    void SetGraphicsMode(int mode) override;
    std::int16_t ScaleMode() const override { return scaleMode_; }
    void SetScaleMode(std::int16_t mode) override;
    float CurrentX() const override { return currentX_; }
    void SetCurrentX(float x) override { currentX_ = x; }
    float CurrentY() const override { return currentY_; }
    void SetCurrentY(float y) override { currentY_ = y; }
    std::uint32_t ForeColor() const override { return foreColor_; }
    void SetForeColor(std::uint32_t color) override { foreColor_ = color; }
    platform::FontHandle CreateFontIndirect(const platform::LogFont& font) override;
    platform::FontHandle SelectObject(platform::FontHandle font) override;
    bool DeleteObject(platform::FontHandle font) override;
    void Print(const std::string& text) override;

    // ---- What happened ----
    int graphicsMode = platform::kGraphicsModeCompatible;
    std::vector<std::int16_t> scaleModesSet;
    std::vector<platform::LogFont> fontsCreated;
    std::vector<platform::FontHandle> fontsDeleted;
    std::vector<PrintCall> prints;
    platform::FontHandle Selected() const { return selected_; }
    // Fonts made and not deleted.
    std::size_t LiveFonts() const { return fonts_.size(); }
    // Selections of a font the surface does not know, which a device context refuses.
    int unknownSelected = 0;

    // ---- Failures to act out ----
    // Print number n (from 1) throws, as a surface that cannot draw does.
    int failAtPrint = 0;
    // CreateFontIndirect makes no font.
    bool refuseFonts = false;

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
