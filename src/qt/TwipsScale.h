#pragma once

#include <QRect>
#include <cmath>

namespace tarn::gui {

// Converts the models' twips to the screen's pixels. Edges are rounded, not sizes, so that
// controls that touch or overlap by a pixel in twips still do on screen.
class TwipsScale {
public:
    explicit TwipsScale(double twipsPerPixel) : twipsPerPixel_(twipsPerPixel) {}

    double TwipsPerPixel() const { return twipsPerPixel_; }

    int Pixels(double twips) const { return static_cast<int>(std::lround(twips / twipsPerPixel_)); }

    QRect Rect(double left, double top, double width, double height) const {
        const int x = Pixels(left);
        const int y = Pixels(top);
        return {x, y, Pixels(left + width) - x, Pixels(top + height) - y};
    }

    // A length given in pixels at 96 dots per inch, on this screen.
    int FromPixelsAt96Dpi(double pixels) const {
        return static_cast<int>(std::lround(pixels * 15.0 / twipsPerPixel_));
    }

private:
    double twipsPerPixel_;
};

} // namespace tarn::gui
