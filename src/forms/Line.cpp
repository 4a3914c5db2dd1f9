#include "forms/Line.h"

#include <algorithm>
#include <cmath>

namespace tarn::forms {

void Line::SetEnds(float x1, float y1, float x2, float y2) {
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    Move(std::min(x1, x2), std::min(y1, y2), std::fabs(x2 - x1), std::fabs(y2 - y1));
}

} // namespace tarn::forms
