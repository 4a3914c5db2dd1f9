#pragma once

#include "forms/Control.h"

namespace tarn::forms {

// A titled group box; the controls placed in it are positioned relative to it.
class Frame : public CaptionedControl {
public:
    explicit Frame(std::string name) : CaptionedControl(std::move(name), ControlKind::Frame) {}
};

} // namespace tarn::forms
