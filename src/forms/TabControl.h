#pragma once

#include "forms/Control.h"

#include <string>
#include <vector>

namespace tarn::forms {

// A tab control with one page per caption; the controls of a page are positioned relative to
// the tab control itself, tab strip included.
class TabControl : public Control {
public:
    explicit TabControl(std::string name) : Control(std::move(name), ControlKind::TabControl) {}

    void SetTabCaptions(std::vector<std::string> captions);
    int Tabs() const { return static_cast<int>(captions_.size()); }
    const std::string& TabCaption(int tab) const {
        return captions_.at(static_cast<std::size_t>(tab));
    }

    int Tab() const { return current_; }
    void SetTab(int tab);

private:
    std::vector<std::string> captions_;
    int current_ = 0;
};

} // namespace tarn::forms
