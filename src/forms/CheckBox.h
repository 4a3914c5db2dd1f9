#pragma once

#include "forms/Control.h"

namespace tarn::forms {

enum CheckValue : int { Unchecked = 0, Checked = 1, Grayed = 2 };

// A check box whose Value is 0 (unticked), 1 (ticked) or 2 (grayed). A change of Value raises
// Click, whether the user or the code made it.
class CheckBox : public CaptionedControl {
public:
    explicit CheckBox(std::string name)
        : CaptionedControl(std::move(name), ControlKind::CheckBox) {}

    int Value() const { return value_; }
    void SetValue(int value);

private:
    int value_ = Unchecked;
};

} // namespace tarn::forms
