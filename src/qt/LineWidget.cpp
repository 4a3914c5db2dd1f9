#include "qt/LineWidget.h"

#include <QPainter>
#include <algorithm>

namespace tarn::gui {

LineWidget::LineWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void LineWidget::SetEnds(QPoint from, QPoint to) {
    from_ = from;
    to_ = to;
    const QPoint topLeft(std::min(from.x(), to.x()), std::min(from.y(), to.y()));
    setGeometry(
        QRect(topLeft, QSize(std::abs(to.x() - from.x()) + 1, std::abs(to.y() - from.y()) + 1)));
    update();
}

void LineWidget::SetColor(const QColor& color) {
    color_ = color;
    update();
}

void LineWidget::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(QPen(color_, 1));
    const QPoint origin = geometry().topLeft();
    painter.drawLine(from_ - origin, to_ - origin);
}

} // namespace tarn::gui
