#include "forms/Control.h"

namespace tarn::forms {

void Control::Move(float left, float top, float width, float height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) {
        return;
    }
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Notify(Property::Geometry);
}

void Control::SetEnabled(bool enabled) {
    if (enabled != enabled_) {
        enabled_ = enabled;
        Notify(Property::Enabled);
    }
}

void Control::SetVisible(bool visible) {
    if (visible != visible_) {
        visible_ = visible;
        Notify(Property::Visible);
    }
}

void Control::SetToolTipText(std::string text) {
    if (text != toolTip_) {
        toolTip_ = std::move(text);
        Notify(Property::ToolTip);
    }
}

void Control::SetFont(Font font) {
    if (!(font == font_)) {
        font_ = std::move(font);
        Notify(Property::Font);
    }
}

void Control::SetForeColor(Color color) {
    if (color != foreColor_) {
        foreColor_ = color;
        Notify(Property::Colors);
    }
}

void Control::SetBackColor(Color color) {
    if (color != backColor_) {
        backColor_ = color;
        Notify(Property::Colors);
    }
}

void Control::PlaceIn(Control& container, int tabPage) {
    container_ = &container;
    tabPage_ = tabPage;
}

void CaptionedControl::SetCaption(std::string caption) {
    if (caption == caption_) {
        return;
    }
    caption_ = std::move(caption);
    Notify(Property::Caption);
    CaptionChanged();
}

} // namespace tarn::forms
