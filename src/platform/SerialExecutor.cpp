#include "platform/SerialExecutor.h"

namespace tarn::platform {

ThreadExecutor::ThreadExecutor() : thread_([this] { Loop(); }) {}

ThreadExecutor::~ThreadExecutor() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    posted_.notify_all();
    thread_.join();
}

void ThreadExecutor::Post(std::function<void()> work) {
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(work));
    }
    posted_.notify_all();
}

void ThreadExecutor::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        posted_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            return;
        }
        const std::function<void()> work = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        work();
        lock.lock();
    }
}

} // namespace tarn::platform
