#pragma once

#include <QColor>
#include <QPoint>
#include <QWidget>

namespace tarn::gui {

// A one-pixel line between two points of its parent. The widget covers the line's bounding
// box and lets the mouse through.
class LineWidget : public QWidget {
    Q_OBJECT

public:
    explicit LineWidget(QWidget* parent);

    void SetEnds(QPoint from, QPoint to);
    void SetColor(const QColor& color);
    QPoint From() const { return from_; }
    QPoint To() const { return to_; }
    QColor Color() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPoint from_;
    QPoint to_;
    QColor color_ = Qt::black;
};

} // namespace tarn::gui
