#include "qt/FrameWidget.h"

#include <QPainter>
#include <QRegularExpression>
#include <QStyle>

namespace tarn::gui {

FrameWidget::FrameWidget(QWidget* parent) : QGroupBox(parent) {
    setAutoFillBackground(true);
}

void FrameWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const QRect box = rect().adjusted(0, metrics.height() / 2, -1, -1);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(box.adjusted(1, 1, 0, 0));

    if (title().isEmpty()) {
        return;
    }
    static const QRegularExpression accessKeyMark(QStringLiteral("&(?!&)"));
    const QString shown = QString(title()).remove(accessKeyMark);
    const QRect titleArea(kTitleIndent, 0, metrics.horizontalAdvance(shown) + 2 * kTitlePadding,
                          metrics.height());
    painter.fillRect(titleArea, palette().color(QPalette::Window));
    style()->drawItemText(&painter, titleArea, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                          isEnabled(), title(), QPalette::WindowText);
}

} // namespace tarn::gui
