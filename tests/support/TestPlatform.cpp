#include "support/TestPlatform.h"

#include <algorithm>

namespace tarn::testing {

void TestPlatform::DoEvents() {
    ++doEventsCalls_;
    while (!doEventsActions_.empty() && doEventsActions_.begin()->first <= doEventsCalls_) {
        auto action = std::move(doEventsActions_.begin()->second);
        doEventsActions_.erase(doEventsActions_.begin());
        action();
    }
    Advance(doEventsCost_);
}

bool TestPlatform::RunUntil(const std::function<bool()>& condition,
                            std::chrono::milliseconds limit) {
    const platform::DateTime end = now_ + limit;
    while (!condition()) {
        if (now_ >= end) {
            return false;
        }
        Advance(10ms);
    }
    return true;
}

void TestPlatform::AttachTimers(const std::vector<forms::Timer*>& timers) {
    timers_.reserve(timers_.size() + timers.size());
    for (forms::Timer* timer : timers) {
        const std::size_t index = timers_.size();
        timers_.push_back({timer});
        timer->StateChanged.Connect([this, index] {
            TimerState& state = timers_[index];
            state.running = state.timer->Enabled() && state.timer->Interval() > 0;
            state.due = now_ + std::chrono::milliseconds(state.timer->Interval());
        });
    }
}

void TestPlatform::At(platform::DateTime when, std::function<void()> action) {
    actions_.emplace(when, std::move(action));
}

void TestPlatform::AtDoEvents(int calls, std::function<void()> action) {
    doEventsActions_.emplace(doEventsCalls_ + calls, std::move(action));
}

void TestPlatform::Advance(std::chrono::milliseconds duration) {
    const platform::DateTime target = now_ + duration;
    while (FireNextDue(target)) {
    }
    now_ = std::max(now_, target);
}

bool TestPlatform::FireNextDue(platform::DateTime until) {
    TimerState* nextTimer = nullptr;
    for (TimerState& state : timers_) {
        // A timer is never re-entered while its own handler runs.
        if (state.running && !state.firing && state.due <= until &&
            (nextTimer == nullptr || state.due < nextTimer->due)) {
            nextTimer = &state;
        }
    }
    const bool actionDue = !actions_.empty() && actions_.begin()->first <= until;
    if (actionDue && (nextTimer == nullptr || actions_.begin()->first <= nextTimer->due)) {
        now_ = std::max(now_, actions_.begin()->first);
        auto action = std::move(actions_.begin()->second);
        actions_.erase(actions_.begin());
        action();
        return true;
    }
    if (nextTimer == nullptr) {
        return false;
    }
    now_ = std::max(now_, nextTimer->due);
    nextTimer->due = now_ + std::chrono::milliseconds(nextTimer->timer->Interval());
    nextTimer->firing = true;
    nextTimer->timer->Tick.Raise();
    nextTimer->firing = false;
    return true;
}

namespace {

std::vector<platform::MessageBoxRequest>& MessagesOfTheProcess() {
    static std::vector<platform::MessageBoxRequest> messages;
    return messages;
}

} // namespace

const std::vector<platform::MessageBoxRequest>& TestPlatform::AllMessagesShown() {
    return MessagesOfTheProcess();
}

void TestPlatform::ShowMessage(const platform::MessageBoxRequest& request) {
    messages_.push_back(request);
    MessagesOfTheProcess().push_back(request);
    interactions_.push_back("message:" + request.Text);
    if (onMessage) {
        onMessage(request);
    }
}

void TestPlatform::Beep() {
    ++beeps_;
    interactions_.push_back("beep");
}

std::string TestPlatform::ShowOpen(const platform::OpenDialogRequest& request) {
    dialogRequests_.push_back(request);
    if (dialogAnswers_.empty()) {
        return {};
    }
    std::string answer = std::move(dialogAnswers_.front());
    dialogAnswers_.pop_front();
    return answer;
}

} // namespace tarn::testing
