#include "forms/Timer.h"

namespace tarn::forms {

void Timer::SetInterval(int intervalMs) {
    if (intervalMs != interval_) {
        interval_ = intervalMs;
        StateChanged.Raise();
    }
}

void Timer::SetEnabled(bool enabled) {
    if (enabled != enabled_) {
        enabled_ = enabled;
        StateChanged.Raise();
    }
}

} // namespace tarn::forms
