#pragma once

#include "forms/Control.h"

namespace tarn::forms {

// A straight line from (X1, Y1) to (X2, Y2) in its container's twips.
class Line : public Control {
public:
    explicit Line(std::string name) : Control(std::move(name), ControlKind::Line) {}

    void SetEnds(float x1, float y1, float x2, float y2);
    float X1() const { return x1_; }
    float Y1() const { return y1_; }
    float X2() const { return x2_; }
    float Y2() const { return y2_; }
    Color BorderColor() const { return ForeColor(); }
    void SetBorderColor(Color color) { SetForeColor(color); }

private:
    float x1_ = 0;
    float y1_ = 0;
    float x2_ = 0;
    float y2_ = 0;
};

} // namespace tarn::forms
