#pragma once

#include "forms/Control.h"

namespace tarn::forms {

class CommandButton : public CaptionedControl {
public:
    explicit CommandButton(std::string name)
        : CaptionedControl(std::move(name), ControlKind::CommandButton) {}
};

} // namespace tarn::forms
