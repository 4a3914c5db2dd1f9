#include "platform/SyncThread.h"

#include "platform/SystemCalls.h"

#include <algorithm>
#include <cerrno>

namespace tarn::platform {

struct SyncThread::Request {
    std::function<int()> sync;
    int answer = 0;
    bool done = false;
};

namespace {

SyncThread* current = nullptr;

} // namespace

SyncThread::SyncThread(Waiter waiter, std::function<void()> wake, bool runsWhenLetGo)
    : waiter_(std::move(waiter)), wake_(std::move(wake)), runsWhenLetGo_(runsWhenLetGo),
      lanes_(runsWhenLetGo ? 1 : 2) {
    for (Lane& lane : lanes_) {
        threads_.emplace_back([this, &lane] { Loop(lane); });
    }
}

SyncThread::~SyncThread() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        ++released_;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void SyncThread::Loop(Lane& lane) {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] {
            return stopping_ || (!lane.queue.empty() && (!runsWhenLetGo_ || released_ > 0));
        });
        if (lane.queue.empty()) {
            return;
        }
        const Ticket request = lane.queue.front();
        lane.queue.pop_front();
        lane.busy = true;
        lock.unlock();
        const int answer = request->sync();
        lock.lock();
        request->answer = answer;
        request->done = true;
        lane.busy = false;
        changed_.notify_all();
        if (wake_) {
            // A waiter may look at the answer meanwhile.
            lock.unlock();
            wake_();
            lock.lock();
        }
    }
}

SyncThread::Ticket SyncThread::Hand(std::function<int()> sync, bool inBackground) {
    auto ticket = std::make_shared<Request>();
    ticket->sync = std::move(sync);
    {
        const std::lock_guard lock(mutex_);
        (inBackground ? lanes_.back() : lanes_.front()).queue.push_back(ticket);
    }
    changed_.notify_all();
    return ticket;
}

bool SyncThread::Done(const Ticket& ticket) const {
    const std::lock_guard lock(mutex_);
    return ticket->done;
}

void SyncThread::BlockUntil(const std::function<bool()>& done) {
    std::unique_lock lock(mutex_);
    ++released_;
    changed_.notify_all();
    changed_.wait(lock, done);
    --released_;
}

int SyncThread::Wait(const Ticket& ticket) {
    struct Counted {
        explicit Counted(int& count) : count_(count) { ++count_; }
        ~Counted() { --count_; }
        Counted(const Counted&) = delete;
        Counted& operator=(const Counted&) = delete;
        int& count_;
    } waiting(waits_);
    if (waiter_) {
        waiter_([&] { return Done(ticket); });
    }
    BlockUntil([&] { return ticket->done; });
    return ticket->answer;
}

bool SyncThread::Busy() const {
    const std::lock_guard lock(mutex_);
    return std::ranges::any_of(lanes_,
                               [](const Lane& lane) { return !lane.queue.empty() || lane.busy; });
}

void SyncThread::LetGo() {
    BlockUntil([this] {
        return std::ranges::all_of(
            lanes_, [](const Lane& lane) { return lane.queue.empty() && !lane.busy; });
    });
}

SyncThread* UseSyncThread(SyncThread* thread) {
    SyncThread* before = current;
    current = thread;
    return before;
}

SyncThread* CurrentSyncThread() {
    return current;
}

Status SyncDescriptor(int fd) {
    const auto sync = [fd] {
        return sys::Fsync(fd) == 0 ? 0 : errno;
    };
    const int error = current != nullptr ? current->Wait(current->Hand(sync)) : sync();
    return error == 0 ? Status() : Status::Failure(error);
}

} // namespace tarn::platform
