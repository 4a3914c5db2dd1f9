#pragma once

#include "forms/Event.h"
#include "forms/Types.h"

#include <string>

namespace tarn::forms {

enum class ControlKind {
    Label,
    CommandButton,
    CheckBox,
    ComboBox,
    ListBox,
    Frame,
    TabControl,
    Line,
    Picture,
};

// What every visible control has: a name, a place inside its container (in twips), the enabled
// and visible states, a tooltip, a font and colours. Every change is announced through
// PropertyChanged so that a front end can follow the model.
class Control {
public:
    Control(std::string name, ControlKind kind) : name_(std::move(name)), kind_(kind) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const { return name_; }
    ControlKind Kind() const { return kind_; }

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void Move(float left, float top, float width, float height);
    void SetLeft(float left) { Move(left, top_, width_, height_); }
    void SetWidth(float width) { Move(left_, top_, width, height_); }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    const std::string& ToolTipText() const { return toolTip_; }
    void SetToolTipText(std::string text);

    const Font& GetFont() const { return font_; }
    void SetFont(Font font);

    Color ForeColor() const { return foreColor_; }
    Color BackColor() const { return backColor_; }
    void SetForeColor(Color color);
    void SetBackColor(Color color);

    // The control that holds this one (a frame or the tab control), or none for the window.
    // A control held by the tab control lies on page TabPage() of it.
    Control* Container() const { return container_; }
    int TabPage() const { return tabPage_; }
    void PlaceIn(Control& container, int tabPage = -1);

    // Asks the front end to give this control the keyboard focus.
    void SetFocus() { FocusRequested.Raise(); }

    Event<Property> PropertyChanged;
    Event<> FocusRequested;
    Event<> MouseMove;
    Event<> Click;

protected:
    void Notify(Property property) { PropertyChanged.Raise(property); }

private:
    std::string name_;
    ControlKind kind_;
    float left_ = 0;
    float top_ = 0;
    float width_ = 0;
    float height_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    std::string toolTip_;
    Font font_;
    Color foreColor_ = kWindowText;
    Color backColor_ = kButtonFace;
    Control* container_ = nullptr;
    int tabPage_ = -1;
};

// A control that shows a caption; "&" marks the access key.
class CaptionedControl : public Control {
public:
    using Control::Control;

    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);

protected:
    // Called after the caption has changed.
    virtual void CaptionChanged() {}

private:
    std::string caption_;
};

} // namespace tarn::forms
