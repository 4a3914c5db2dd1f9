#pragma once

#include "forms/Timer.h"

#include <QObject>
#include <QTimer>

namespace tarn::gui {

// Runs a timer model on a QTimer: started and stopped as the model says, its Tick raised on
// each timeout, which the event loop (or DoEvents) delivers. A tick never re-enters its own
// handler, as a window timer does not.
class TimerBinding : public QObject {
    Q_OBJECT

public:
    TimerBinding(forms::Timer& timer, QObject* owner);

    const QTimer& Qtimer() const { return qtimer_; }

private:
    void Follow();
    void Fire();

    forms::Timer& timer_;
    QTimer qtimer_;
    bool firing_ = false;
    forms::Connection following_;
};

} // namespace tarn::gui
