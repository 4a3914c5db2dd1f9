#include "forms/TabControl.h"

#include <stdexcept>

namespace tarn::forms {

void TabControl::SetTabCaptions(std::vector<std::string> captions) {
    captions_ = std::move(captions);
    current_ = 0;
    Notify(Property::Items);
}

void TabControl::SetTab(int tab) {
    if (tab < 0 || tab >= Tabs()) {
        throw std::out_of_range("SetTab: no such tab");
    }
    if (tab != current_) {
        current_ = tab;
        Notify(Property::Tab);
        Click.Raise();
    }
}

} // namespace tarn::forms
