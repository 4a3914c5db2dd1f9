#pragma once

#include "platform/SerialExecutor.h"

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tarn::platform {

// The threads that encode away from the window's thread: one lane for each run that may be
// under way at once. The window's thread posts the work of a run to the run's lane and goes on;
// where it has nothing else to do, it waits for the first of its works to finish, handling its
// events meanwhile. Work posted here touches no file: only the window's thread does.
class Workers {
public:
    struct Work;
    using Ticket = std::shared_ptr<Work>;
    // Lets the window handle its events until `done` holds, or for a while.
    using Waiter = std::function<void(const std::function<bool()>& done)>;

    // `wake` is called on a lane's thread after each work, for a waiter asleep in its event loop.
    // The lanes are the caller's and must outlive every work posted; `release` is called where
    // the window's thread waits without handling events, for lanes that hold their work back.
    Workers(Waiter waiter, std::function<void()> wake, std::vector<SerialExecutor*> lanes,
            std::function<void()> release = {});
    // With `count` threads of its own, at least one.
    Workers(Waiter waiter, std::function<void()> wake, int count);
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;
    ~Workers();

    int Count() const { return static_cast<int>(lanes_.size()); }
    Ticket Post(int lane, std::function<void()> work);
    // Whether the work is done; what it wrote may then be read.
    bool Done(const Ticket& ticket) const;
    // Returns once one of `tickets` is done; the window handles its events meanwhile.
    void WaitForAny(const std::vector<Ticket>& tickets);
    // Returns once the work is done, handling no events: for work that must end before what it
    // uses goes.
    void Finish(const Ticket& ticket);

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable finished;
        std::function<void()> wake;
    };

    Waiter waiter_;
    std::function<void()> release_;
    std::shared_ptr<Shared> shared_;
    std::vector<std::unique_ptr<ThreadExecutor>> own_;
    std::vector<SerialExecutor*> lanes_;
};

// Puts the program's workers in place (nullptr takes them away); the ones before.
Workers* UseWorkers(Workers* workers);
// Null where work is done on the window's thread.
Workers* CurrentWorkers();

} // namespace tarn::platform
