#include "qt/FontMapper.h"

#include <QString>
#include <algorithm>

namespace tarn::gui {

namespace {

struct Substitute {
    const char* designed;
    const char* installed;
    double pixelsPerPoint;
};

// Faces of the fonts-liberation package, metric-compatible with the ones they replace where
// such a face exists; 96 / 72 pixels per point is the plain conversion at 96 dots per inch.
constexpr Substitute kSubstitutes[] = {
    {"MS Sans Serif", kSansSubstitute, kSansPixelsPerPoint},
    {"Arial", "Liberation Sans", 96.0 / 72.0},
    {"Times New Roman", "Liberation Serif", 96.0 / 72.0},
    {"Courier New", "Liberation Mono", 96.0 / 72.0},
};

} // namespace

QFont MapFont(const forms::Font& font, const TwipsScale& scale) {
    QString family = QString::fromStdString(font.Name);
    double pixelsPerPoint = 96.0 / 72.0;
    for (const Substitute& substitute : kSubstitutes) {
        if (family.compare(QLatin1String(substitute.designed), Qt::CaseInsensitive) == 0) {
            family = QString::fromLatin1(substitute.installed);
            pixelsPerPoint = substitute.pixelsPerPoint;
            break;
        }
    }
    QFont mapped(family);
    mapped.setPixelSize(std::max(1, scale.FromPixelsAt96Dpi(font.Size * pixelsPerPoint)));
    mapped.setBold(font.Bold);
    return mapped;
}

} // namespace tarn::gui
