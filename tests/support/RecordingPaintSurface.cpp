#include "support/RecordingPaintSurface.h"

namespace tarn::testing {

void RecordingPaintSurface::SetGraphicsMode(int mode) {
    if (mode != platform::kGraphicsModeCompatible && mode != platform::kGraphicsModeAdvanced) {
        throw std::invalid_argument("graphics mode");
    }
    graphicsMode = mode;
}

void RecordingPaintSurface::SetScaleMode(std::int16_t mode) {
    const bool known = mode == platform::kScaleTwips || mode == platform::kScalePoints ||
                       mode == platform::kScalePixels || mode == platform::kScaleInches ||
                       mode == platform::kScaleMillimeters || mode == platform::kScaleCentimeters;
    if (!known) {
        throw std::invalid_argument("scale mode");
    }
    scaleMode_ = mode;
    scaleModesSet.push_back(mode);
}

platform::FontHandle RecordingPaintSurface::CreateFontIndirect(const platform::LogFont& font) {
    fontsCreated.push_back(font);
    if (refuseFonts) {
        return 0;
    }
    const platform::FontHandle handle = nextFont_++;
    fonts_[handle] = font;
    return handle;
}

platform::FontHandle RecordingPaintSurface::SelectObject(platform::FontHandle font) {
    if (font != kStockFont && fonts_.count(font) == 0) {
        ++unknownSelected;
        return 0;
    }
    const platform::FontHandle previous = selected_;
    selected_ = font;
    return previous;
}

bool RecordingPaintSurface::DeleteObject(platform::FontHandle font) {
    fontsDeleted.push_back(font);
    if (font == selected_ || fonts_.count(font) == 0) {
        return false;
    }
    fonts_.erase(font);
    return true;
}

void RecordingPaintSurface::Print(const std::string& text) {
    if (failAtPrint != 0 && static_cast<int>(prints.size()) + 1 == failAtPrint) {
        throw std::runtime_error("print");
    }
    const auto font = fonts_.find(selected_);
    prints.push_back({text, currentX_, currentY_, foreColor_, scaleMode_,
                      font == fonts_.end() ? platform::LogFont{} : font->second});
    currentX_ = 0;
    currentY_ += kLineHeight;
}

} // namespace tarn::testing
