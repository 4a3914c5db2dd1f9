#pragma once

#include <QGroupBox>

namespace tarn::gui {

// A titled frame drawn as the window's design has it: an etched rectangle whose top line runs
// through the middle of the title. Unlike a style's group box, its top is where the controls'
// coordinates start, and it is opaque, so a frame laid over another hides what it covers.
class FrameWidget : public QGroupBox {
    Q_OBJECT
public:
    // The title's distance from the frame's left edge, and the blank kept on each of its sides.
    static constexpr int kTitleIndent = 8;
    static constexpr int kTitlePadding = 2;

    explicit FrameWidget(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tarn::gui
