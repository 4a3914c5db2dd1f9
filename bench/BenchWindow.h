#pragma once

#include "Headless.h"
#include "forms/ListControl.h"
#include "forms/Timer.h"
#include "platform/Platform.h"
#include "shell/frmMain.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarn::bench {

using SteadyClock = std::chrono::steady_clock;

inline double Seconds(SteadyClock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

inline double Milliseconds(SteadyClock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// The window without a window: its timers run on the real clock when it handles its events, and
// it notes the longest time it went without handling them.
class WindowPlatform : public Headless {
public:
    void Attach(const std::vector<forms::Timer*>& timers) {
        timers_.reserve(timers_.size() + timers.size());
        for (forms::Timer* timer : timers) {
            timers_.push_back({timer, {}});
            const std::size_t index = timers_.size() - 1;
            timers_.back().following = timer->StateChanged.Connect([this, index] {
                timers_[index].due = SteadyClock::now() +
                                     std::chrono::milliseconds(timers_[index].timer->Interval());
            });
        }
    }
    // From now on, the longest time between two moments the window handles its events.
    void StartWatching() {
        longestBlock = {};
        lastHandled_ = SteadyClock::now();
    }
    void Handled() {
        const SteadyClock::time_point now = SteadyClock::now();
        longestBlock = std::max(longestBlock, now - lastHandled_);
        lastHandled_ = now;
    }

    // Runs `completion` among the window's events; called from any thread.
    void Post(std::function<void()> completion) {
        const std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(completion));
    }

    void DoEvents() override {
        Handled();
        std::vector<std::function<void()>> posted;
        {
            const std::lock_guard lock(postedMutex_);
            posted.swap(posted_);
        }
        for (const auto& completion : posted) {
            completion();
        }
        for (TimerState& state : timers_) {
            const SteadyClock::time_point now = SteadyClock::now();
            if (state.timer->Enabled() && !state.firing && now >= state.due) {
                state.due = now + std::chrono::milliseconds(state.timer->Interval());
                state.firing = true;
                state.timer->Tick.Raise();
                state.firing = false;
            }
        }
    }
    void ShowMessage(const platform::MessageBoxRequest& request) override {
        Handled();
        if (request.Text.find("Job done!") != std::string::npos) {
            jobDone = SteadyClock::now();
        } else {
            std::fprintf(stderr, "%s: %s\n", request.Title.c_str(), request.Text.c_str());
            ++troubles;
        }
    }

    SteadyClock::duration longestBlock{};
    SteadyClock::time_point jobDone{};
    int troubles = 0;

private:
    struct TimerState {
        forms::Timer* timer;
        SteadyClock::time_point due;
        bool firing = false;
        forms::Connection following;
    };
    std::vector<TimerState> timers_;
    SteadyClock::time_point lastHandled_{};
    std::mutex postedMutex_;
    std::vector<std::function<void()>> posted_;
};

// The window waits as its event loop would: it handles its events until what it waits for is
// done, asleep in between until woken or for 5 ms. The lock is not held while the events are
// handled, so a wait begun among them (a tick that waits for a sync) waits as well.
class WindowWaits {
public:
    using Done = std::function<bool()>;

    explicit WindowWaits(WindowPlatform& platform) : platform_(platform) {}

    std::function<void(const Done&)> Waiter() {
        return [this](const Done& done) {
            while (!done()) {
                platform_.DoEvents();
                std::unique_lock lock(mutex_);
                woken_.wait_for(lock, std::chrono::milliseconds(5), [this] { return wake_; });
                wake_ = false;
            }
        };
    }
    // Called from any thread.
    std::function<void()> Waker() {
        return [this] {
            {
                const std::lock_guard lock(mutex_);
                wake_ = true;
            }
            woken_.notify_all();
        };
    }

private:
    WindowPlatform& platform_;
    std::mutex mutex_;
    std::condition_variable woken_;
    bool wake_ = false;
};

inline void SelectItem(forms::ComboBox& box, const std::string& text) {
    for (int i = 0; i < box.ListCount(); ++i) {
        if (box.List(i) == text) {
            box.SetListIndex(i);
        }
    }
}

// Presses Go and handles the window's events until the job has ended, watching how long the
// window goes without them; when Go was pressed.
inline SteadyClock::time_point RunJobToItsEnd(WindowPlatform& platform, frmMain& form) {
    platform.StartWatching();
    const SteadyClock::time_point go = SteadyClock::now();
    form.cmdGo.Click.Raise();
    while (form.JobActive()) {
        platform.DoEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return go;
}

} // namespace tarn::bench
