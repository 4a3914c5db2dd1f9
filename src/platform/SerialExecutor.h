#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tarn::platform {

// Runs the work posted to it one item after the other, in the order posted, away from the
// caller's thread.
class SerialExecutor {
public:
    virtual ~SerialExecutor() = default;
    virtual void Post(std::function<void()> work) = 0;
};

// A thread of its own with a queue. Work still queued when it goes is done first.
class ThreadExecutor : public SerialExecutor {
public:
    ThreadExecutor();
    ~ThreadExecutor() override;
    ThreadExecutor(const ThreadExecutor&) = delete;
    ThreadExecutor& operator=(const ThreadExecutor&) = delete;

    void Post(std::function<void()> work) override;

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace tarn::platform
