#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace tarn::gui {

// One of the program's own pictures ("about", "mail", "web"), at `size`; an unknown name gives
// an empty pixmap.
QPixmap MakePicture(const QString& name, QSize size);

// The size each picture was drawn for, at 96 dots per inch.
QSize PictureSizeAt96Dpi(const QString& name);

// The window icon, in 16 × 16 and 32 × 32.
QIcon MakeWindowIcon();

} // namespace tarn::gui
