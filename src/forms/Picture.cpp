#include "forms/Picture.h"

namespace tarn::forms {

void Picture::SetPictureName(std::string pictureName) {
    if (pictureName != pictureName_) {
        pictureName_ = std::move(pictureName);
        Notify(Property::Picture);
    }
}

} // namespace tarn::forms
