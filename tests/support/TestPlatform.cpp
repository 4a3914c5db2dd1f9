#include "support/TestPlatform.h"

#include <algorithm>

namespace tarn::testing {

void TestPlatform::RunFor(std::chrono::milliseconds duration) {
    const platform::DateTime until = now_ + duration;
    for (;;) {
        // The earliest timer due; a timer is never re-entered while its own handler runs.
        TimerState* next = nullptr;
        for (TimerState& state : timers_) {
            if (state.running && !state.firing && state.due <= until &&
                (next == nullptr || state.due < next->due)) {
                next = &state;
            }
        }
        if (next == nullptr) {
            break;
        }
        now_ = std::max(now_, next->due);
        next->due = now_ + std::chrono::milliseconds(next->timer->Interval());
        next->firing = true;
        next->timer->Tick.Raise();
        next->firing = false;
    }
    now_ = std::max(now_, until);
}

void TestPlatform::AttachTimers(const std::vector<forms::Timer*>& timers) {
    timers_.reserve(timers_.size() + timers.size());
    for (forms::Timer* timer : timers) {
        const std::size_t index = timers_.size();
        timers_.push_back({timer});
        timers_.back().following = timer->StateChanged.Connect([this, index] {
            TimerState& state = timers_[index];
            state.running = state.timer->Enabled() && state.timer->Interval() > 0;
            state.due = now_ + std::chrono::milliseconds(state.timer->Interval());
        });
    }
}

void TestPlatform::ShowMessage(const platform::MessageBoxRequest& request) {
    messages_.push_back(request);
    allMessagesShown.push_back(request);
    const char* mark = request.Icon == platform::MessageIcon::Critical      ? " (x)"
                       : request.Icon == platform::MessageIcon::Exclamation ? " (!)"
                                                                            : "";
    interactions.push_back(request.Title + mark + ": " + request.Text);
    if (onMessage) {
        onMessage(request);
    }
    Pause();
}

} // namespace tarn::testing
