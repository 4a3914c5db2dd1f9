#pragma once

#include "forms/Control.h"

#include <string>
#include <vector>

namespace tarn::forms {

// The items and the selected row shared by list boxes and drop-down lists. ListIndex is -1 when
// no row is selected.
class ListControl : public Control {
public:
    using Control::Control;

    int ListCount() const { return static_cast<int>(items_.size()); }
    const std::string& List(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    const std::vector<std::string>& Items() const { return items_; }

    void AddItem(std::string item);
    void RemoveItem(int index);
    void Clear();

    int ListIndex() const { return listIndex_; }
    void SetListIndex(int index);

private:
    std::vector<std::string> items_;
    int listIndex_ = -1;
};

// A list box of text rows.
class ListBox : public ListControl {
public:
    explicit ListBox(std::string name) : ListControl(std::move(name), ControlKind::ListBox) {}
};

// A drop-down list: one of its items can be picked, no text can be typed. Text is the picked
// item, or empty.
class ComboBox : public ListControl {
public:
    explicit ComboBox(std::string name) : ListControl(std::move(name), ControlKind::ComboBox) {}

    std::string Text() const { return ListIndex() < 0 ? std::string() : List(ListIndex()); }
};

} // namespace tarn::forms
