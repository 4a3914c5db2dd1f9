#include "qt/QtPaintSurface.h"

#include "shell/LogFontMapper.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPointF>
#include <QString>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tarn::gui {

namespace {

// Beyond this the font engine gets slow for no visible gain.
constexpr std::int64_t kLargestPixelSize = 2000;

int PixelSize(std::int64_t pixels) {
    return static_cast<int>(std::clamp<std::int64_t>(pixels, 1, kLargestPixelSize));
}

// The painter's state, given back however a print ends.
class SavedPainterState {
public:
    explicit SavedPainterState(QPainter& painter) : painter_(painter) { painter_.save(); }
    ~SavedPainterState() { painter_.restore(); }
    SavedPainterState(const SavedPainterState&) = delete;
    SavedPainterState& operator=(const SavedPainterState&) = delete;

private:
    QPainter& painter_;
};

} // namespace

QtPaintSurface::QtPaintSurface(QPainter& painter, double twipsPerPixel)
    : painter_(painter), twipsPerPixel_(twipsPerPixel) {
    if (!(twipsPerPixel > 0.0) || !std::isfinite(twipsPerPixel)) {
        throw std::invalid_argument("twips per pixel");
    }
    stockFont_.font = painter.font();
}

// Every font made here turns with its escapement, so both modes draw alike.
void QtPaintSurface::SetGraphicsMode(int mode) {
    if (mode != platform::kGraphicsModeCompatible && mode != platform::kGraphicsModeAdvanced) {
        throw std::invalid_argument("graphics mode");
    }
}

double QtPaintSurface::PixelsPerUnit() const {
    const double pixelsPerInch = 1440.0 / twipsPerPixel_;
    switch (scaleMode_) {
    case platform::kScaleTwips:
        return 1.0 / twipsPerPixel_;
    case platform::kScalePoints:
        return 20.0 / twipsPerPixel_;
    case platform::kScaleInches:
        return pixelsPerInch;
    case platform::kScaleMillimeters:
        return pixelsPerInch / 25.4;
    case platform::kScaleCentimeters:
        return pixelsPerInch / 2.54;
    default:
        return 1.0;
    }
}

void QtPaintSurface::SetScaleMode(std::int16_t mode) {
    switch (mode) {
    case platform::kScaleTwips:
    case platform::kScalePoints:
    case platform::kScalePixels:
    case platform::kScaleInches:
    case platform::kScaleMillimeters:
    case platform::kScaleCentimeters:
        scaleMode_ = mode;
        return;
    default:
        throw std::invalid_argument("scale mode");
    }
}

float QtPaintSurface::CurrentX() const {
    return static_cast<float>(currentX_ / PixelsPerUnit());
}

void QtPaintSurface::SetCurrentX(float x) {
    currentX_ = x * PixelsPerUnit();
}

float QtPaintSurface::CurrentY() const {
    return static_cast<float>(currentY_ / PixelsPerUnit());
}

void QtPaintSurface::SetCurrentY(float y) {
    currentY_ = y * PixelsPerUnit();
}

platform::FontHandle QtPaintSurface::CreateFontIndirect(const platform::LogFont& record) {
    const MappedFont mapped = MapLogFont(record);
    MadeFont made;
    made.font = QFont(QString::fromStdString(mapped.family));
    made.font.setBold(mapped.bold);
    made.font.setItalic(mapped.italic);
    made.font.setPixelSize(PixelSize(mapped.pixelSize));
    if (mapped.cellHeight) {
        // The record asked for the height of the whole cell: shrink the em to fit it.
        const double cell = QFontMetricsF(made.font).height();
        if (cell > 0) {
            const auto asked = static_cast<double>(mapped.pixelSize);
            made.font.setPixelSize(PixelSize(std::llround(asked * asked / cell)));
        }
    }
    made.rotation = mapped.rotation;
    const platform::FontHandle handle = nextFont_++;
    fonts_.emplace(handle, made);
    return handle;
}

platform::FontHandle QtPaintSurface::SelectObject(platform::FontHandle font) {
    if (font != kStockFont && fonts_.count(font) == 0) {
        return 0;
    }
    const platform::FontHandle previous = selected_;
    selected_ = font;
    return previous;
}

bool QtPaintSurface::DeleteObject(platform::FontHandle font) {
    if (font == selected_) {
        return false;
    }
    return fonts_.erase(font) == 1;
}

const QtPaintSurface::MadeFont& QtPaintSurface::SelectedFont() const {
    const auto found = fonts_.find(selected_);
    return found == fonts_.end() ? stockFont_ : found->second;
}

void QtPaintSurface::Print(const std::string& text) {
    if (!painter_.isActive()) {
        throw std::runtime_error("the painter is not active");
    }
    const MadeFont& made = SelectedFont();
    const QFontMetricsF metrics(made.font, painter_.device());
    {
        const SavedPainterState saved(painter_);
        painter_.setFont(made.font);
        painter_.setPen(QColor(static_cast<int>(foreColor_ & 0xFFU),
                               static_cast<int>((foreColor_ >> 8U) & 0xFFU),
                               static_cast<int>((foreColor_ >> 16U) & 0xFFU)));
        painter_.translate(currentX_, currentY_);
        // An escapement turns the base line counter-clockwise about the top-left corner; y grows
        // downwards here, so the painter turns by the negative angle.
        painter_.rotate(-made.rotation);
        painter_.drawText(QPointF(0, metrics.ascent()), QString::fromStdString(text));
    }
    currentX_ = 0;
    currentY_ += metrics.height();
}

} // namespace tarn::gui
