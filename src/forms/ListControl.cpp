#include "forms/ListControl.h"

#include <stdexcept>

namespace tarn::forms {

void ListControl::AddItem(std::string item) {
    items_.push_back(std::move(item));
    Notify(Property::Items);
}

void ListControl::RemoveItem(int index) {
    if (index < 0 || index >= ListCount()) {
        throw std::out_of_range("RemoveItem: no such row");
    }
    items_.erase(items_.begin() + index);
    Notify(Property::Items);
    if (listIndex_ == index) {
        SetListIndex(-1);
    } else if (listIndex_ > index) {
        --listIndex_;
        Notify(Property::ListIndex);
    }
}

void ListControl::Clear() {
    if (items_.empty() && listIndex_ == -1) {
        return;
    }
    items_.clear();
    Notify(Property::Items);
    SetListIndex(-1);
}

void ListControl::SetListIndex(int index) {
    if (index < -1 || index >= ListCount()) {
        throw std::out_of_range("ListIndex: no such row");
    }
    if (index == listIndex_) {
        return;
    }
    listIndex_ = index;
    Notify(Property::ListIndex);
    Click.Raise();
}

} // namespace tarn::forms
