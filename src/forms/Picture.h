#pragma once

#include "forms/Control.h"

#include <string>

namespace tarn::forms {

// An image or picture box; PictureName names one of the program's own pictures.
class Picture : public Control {
public:
    explicit Picture(std::string name) : Control(std::move(name), ControlKind::Picture) {}

    const std::string& PictureName() const { return pictureName_; }
    void SetPictureName(std::string pictureName);

private:
    std::string pictureName_;
};

} // namespace tarn::forms
