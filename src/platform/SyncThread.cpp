#include "platform/SyncThread.h"

#include "platform/SystemCalls.h"

#include <cerrno>
#include <condition_variable>
#include <mutex>

namespace tarn::platform {

struct SyncThread::Request {
    std::function<int()> sync;
    int answer = 0;
    bool done = false;
};

// What the executors' threads share with the window's, alive for as long as a sync is queued.
struct SyncThread::Shared {
    std::mutex mutex;
    std::condition_variable answered;
    std::function<void()> wake;
    int pending = 0;
};

namespace {

SyncThread* current = nullptr;

} // namespace

SyncThread::SyncThread(Waiter waiter, std::function<void()> wake, Deliver deliver,
                       SerialExecutor& waited, SerialExecutor& background)
    : waiter_(std::move(waiter)), deliver_(std::move(deliver)), shared_(std::make_shared<Shared>()),
      waited_(waited), background_(background) {
    shared_->wake = std::move(wake);
}

SyncThread::SyncThread(Waiter waiter, std::function<void()> wake, Deliver deliver)
    : waiter_(std::move(waiter)), deliver_(std::move(deliver)), shared_(std::make_shared<Shared>()),
      ownWaited_(std::in_place), ownBackground_(std::in_place), waited_(*ownWaited_),
      background_(*ownBackground_) {
    shared_->wake = std::move(wake);
}

// Its own executors finish what is queued as they go.
SyncThread::~SyncThread() = default;

SyncThread::Ticket SyncThread::Post(SerialExecutor& executor, std::function<int()> sync,
                                    std::function<void(int answer)> completion) {
    auto ticket = std::make_shared<Request>();
    ticket->sync = std::move(sync);
    {
        const std::lock_guard lock(shared_->mutex);
        ++shared_->pending;
    }
    executor.Post([shared = shared_, ticket, deliver = deliver_,
                   completion = std::move(completion)]() mutable {
        const int answer = ticket->sync();
        {
            const std::lock_guard lock(shared->mutex);
            ticket->answer = answer;
            ticket->done = true;
            --shared->pending;
        }
        shared->answered.notify_all();
        if (completion && deliver) {
            deliver([completion = std::move(completion), answer] { completion(answer); });
        }
        if (shared->wake) {
            shared->wake();
        }
    });
    return ticket;
}

SyncThread::Ticket SyncThread::Queue(std::function<int()> sync) {
    return Post(waited_, std::move(sync), {});
}

SyncThread::Ticket SyncThread::QueueInBackground(std::function<int()> sync,
                                                 std::function<void(int answer)> completion) {
    return Post(background_, std::move(sync), std::move(completion));
}

bool SyncThread::Busy() const {
    const std::lock_guard lock(shared_->mutex);
    return shared_->pending > 0;
}

int SyncThread::Wait(const Ticket& ticket) {
    struct Counted {
        explicit Counted(int& count) : count_(count) { ++count_; }
        ~Counted() { --count_; }
        Counted(const Counted&) = delete;
        Counted& operator=(const Counted&) = delete;
        int& count_;
    } const waiting(waits_);
    const auto done = [&] {
        const std::lock_guard lock(shared_->mutex);
        return ticket->done;
    };
    if (waiter_) {
        waiter_(done);
    }
    std::unique_lock lock(shared_->mutex);
    shared_->answered.wait(lock, [&] { return ticket->done; });
    return ticket->answer;
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
    const int error = current != nullptr ? current->Wait(current->Queue(sync)) : sync();
    return error == 0 ? Status() : Status::Failure(error);
}

} // namespace tarn::platform
