#include "forms/CheckBox.h"

#include <stdexcept>

namespace tarn::forms {

void CheckBox::SetValue(int value) {
    if (value < Unchecked || value > Grayed) {
        throw std::invalid_argument("CheckBox value must be 0, 1 or 2");
    }
    if (value == value_) {
        return;
    }
    value_ = value;
    Notify(Property::Value);
    Click.Raise();
}

} // namespace tarn::forms
