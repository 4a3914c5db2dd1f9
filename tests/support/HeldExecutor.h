#pragma once

#include "platform/SerialExecutor.h"

#include <deque>
#include <functional>
#include <future>
#include <mutex>

namespace tarn::testing {

// Work runs on a thread of its own only while let go: a test sees every sync when it chooses, in
// order.
class HeldExecutor : public platform::SerialExecutor {
public:
    void Post(std::function<void()> work) override {
        const std::lock_guard lock(mutex_);
        held_.push_back(std::move(work));
    }
    // Runs what was posted so far, and what that posts, and returns once it is all done.
    void LetGo() {
        for (;;) {
            std::deque<std::function<void()>> batch;
            {
                const std::lock_guard lock(mutex_);
                batch.swap(held_);
            }
            if (batch.empty()) {
                return;
            }
            std::promise<void> done;
            for (std::function<void()>& work : batch) {
                thread_.Post(std::move(work));
            }
            thread_.Post([&done] { done.set_value(); });
            done.get_future().wait();
        }
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> held_;
    platform::ThreadExecutor thread_;
};

} // namespace tarn::testing
