#pragma once

#include "common/Status.h"
#include "platform/SerialExecutor.h"

#include <functional>
#include <memory>
#include <optional>

namespace tarn::platform {

// Makes files durable away from the window's thread, so that a slow disk (a USB stick, a memory
// card, a network share) never holds up the window. The window's thread queues each sync and goes
// on; where its next step must wait for one, it handles its events meanwhile. Only syncs are made
// there: names and contents are touched by the window's thread alone.
//
// Two queues, each with an executor of its own: one for the syncs a step waits for, one for those
// nothing waits for yet (the finished MP3 files), whose completion is delivered to the window's
// thread as an event. A step that waits never queues behind a sync in the background.
class SyncThread {
public:
    struct Request;
    using Ticket = std::shared_ptr<Request>;
    // Lets the window handle its events until `done` holds, or for a while.
    using Waiter = std::function<void(const std::function<bool()>& done)>;
    // Hands a completion to the window's thread, to be run there among its events. Called on an
    // executor's thread.
    using Deliver = std::function<void(std::function<void()> completion)>;

    // `wake` is called on an executor's thread after each sync, for a waiter asleep in its event
    // loop. The executors are the caller's and must outlive every sync queued.
    SyncThread(Waiter waiter, std::function<void()> wake, Deliver deliver, SerialExecutor& waited,
               SerialExecutor& background);
    // With an executor thread of its own for each queue.
    SyncThread(Waiter waiter, std::function<void()> wake, Deliver deliver);
    SyncThread(const SyncThread&) = delete;
    SyncThread& operator=(const SyncThread&) = delete;
    ~SyncThread();

    // `sync` answers 0, or the error number that failed it.
    Ticket Queue(std::function<int()> sync);
    // A sync that the window does not wait for: `completion` is delivered its answer.
    Ticket QueueInBackground(std::function<int()> sync, std::function<void(int answer)> completion);
    // The answer, once the sync is made; the window handles its events meanwhile.
    int Wait(const Ticket& ticket);
    // Whether the window's thread is waiting for a sync.
    bool Waiting() const { return waits_ > 0; }
    // Whether a sync queued has not answered yet.
    bool Busy() const;

private:
    struct Shared;
    Ticket Post(SerialExecutor& executor, std::function<int()> sync,
                std::function<void(int answer)> completion);

    Waiter waiter_;
    Deliver deliver_;
    std::shared_ptr<Shared> shared_;
    std::optional<ThreadExecutor> ownWaited_;
    std::optional<ThreadExecutor> ownBackground_;
    SerialExecutor& waited_;
    SerialExecutor& background_;
    int waits_ = 0;
};

// Puts the program's sync thread in place (nullptr takes it away); the one before it.
SyncThread* UseSyncThread(SyncThread* thread);
SyncThread* CurrentSyncThread();

// Makes an open file or folder durable: on the sync thread where there is one, waited for, else
// here.
Status SyncDescriptor(int fd);

} // namespace tarn::platform
