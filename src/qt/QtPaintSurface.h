#pragma once

#include "platform/PaintSurface.h"

#include <QFont>
#include <QPainter>
#include <map>

namespace tarn::gui {

// A window's client area as a surface to print on, through a painter whose origin is the
// area's top-left corner. Like a window it starts in twips, with the painter's font selected
// and black as its fore colour. Fonts made here live as long as the surface or until deleted.
class QtPaintSurface : public platform::PaintSurface {
public:
    static constexpr platform::FontHandle kStockFont = 1;

    QtPaintSurface(QPainter& painter, double twipsPerPixel);

    void SetGraphicsMode(int mode) override;
    std::int16_t ScaleMode() const override { return scaleMode_; }
    void SetScaleMode(std::int16_t mode) override;
    float CurrentX() const override;
    void SetCurrentX(float x) override;
    float CurrentY() const override;
    void SetCurrentY(float y) override;
    std::uint32_t ForeColor() const override { return foreColor_; }
    void SetForeColor(std::uint32_t color) override { foreColor_ = color; }
    platform::FontHandle CreateFontIndirect(const platform::LogFont& record) override;
    platform::FontHandle SelectObject(platform::FontHandle font) override;
    bool DeleteObject(platform::FontHandle font) override;
    void Print(const std::string& text) override;

private:
    struct MadeFont {
        QFont font;
        // Degrees, counter-clockwise.
        double rotation = 0.0;
    };

    // Pixels in one unit of the scale mode.
    double PixelsPerUnit() const;
    const MadeFont& SelectedFont() const;

    QPainter& painter_;
    double twipsPerPixel_;
    std::int16_t scaleMode_ = platform::kScaleTwips;
    // The print position in pixels, whatever the scale mode.
    double currentX_ = 0;
    double currentY_ = 0;
    std::uint32_t foreColor_ = 0;
    MadeFont stockFont_;
    std::map<platform::FontHandle, MadeFont> fonts_;
    platform::FontHandle selected_ = kStockFont;
    platform::FontHandle nextFont_ = kStockFont + 1;
};

} // namespace tarn::gui
