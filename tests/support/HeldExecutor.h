#pragma once

#include "platform/SerialExecutor.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tarn::testing {

// A thread that runs its work only while let go: a test sees every sync when it chooses, in order.
class HeldExecutor : public platform::SerialExecutor {
public:
    HeldExecutor() : thread_([this] { Loop(); }) {}
    ~HeldExecutor() override {
        std::unique_lock lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
        lock.unlock();
        thread_.join();
    }

    void Post(std::function<void()> work) override {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
        changed_.notify_all();
    }
    // Runs what was posted so far, and what that posts, and returns once it is all done.
    void LetGo() {
        std::unique_lock lock(mutex_);
        released_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
        released_ = false;
    }

private:
    void Loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return stopping_ || (released_ && !queue_.empty()); });
            if (stopping_) {
                return;
            }
            const std::function<void()> work = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
            lock.unlock();
            work();
            lock.lock();
            busy_ = false;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> queue_;
    bool released_ = false, busy_ = false, stopping_ = false;
    std::thread thread_;
};

} // namespace tarn::testing
