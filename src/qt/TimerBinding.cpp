#include "qt/TimerBinding.h"

#include "qt/Guard.h"

namespace tarn::gui {

TimerBinding::TimerBinding(forms::Timer& timer, QObject* owner)
    : QObject(owner), timer_(timer), qtimer_(this) {
    setObjectName(QString::fromStdString(timer.Name()));
    connect(&qtimer_, &QTimer::timeout, this, &TimerBinding::Fire);
    following_ = timer.StateChanged.Connect([this] { Follow(); });
    Follow();
}

void TimerBinding::Follow() {
    if (timer_.Enabled() && timer_.Interval() > 0) {
        qtimer_.start(timer_.Interval());
    } else {
        qtimer_.stop();
    }
}

void TimerBinding::Fire() {
    if (firing_) {
        return;
    }
    firing_ = true;
    RunGuarded([this] { timer_.Tick.Raise(); });
    firing_ = false;
}

} // namespace tarn::gui
