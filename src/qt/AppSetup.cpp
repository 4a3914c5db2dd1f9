#include "qt/AppSetup.h"

#include "forms/Types.h"
#include "qt/Binders.h"
#include "qt/FontMapper.h"
#include "qt/Pictures.h"
#include "shell/AppInfo.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace tarn::gui {

void SetUpApplication(QApplication& app, const TwipsScale& scale) {
    QApplication::setApplicationName(QStringLiteral("tarnme"));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette = QApplication::style()->standardPalette();
    const QColor face = ToQColor(forms::kButtonFace);
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::Button, face);
    QApplication::setPalette(palette);
    QApplication::setFont(MapFont(forms::Font{}, scale));
    app.setWindowIcon(MakeWindowIcon());
}

} // namespace tarn::gui
