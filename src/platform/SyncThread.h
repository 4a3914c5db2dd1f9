#pragma once

#include "common/Status.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tarn::platform {

// Makes files durable on a thread of its own, so that a slow disk (a USB stick, a memory card, a
// network share) never holds up the window. The window's thread hands each sync over and goes on;
// where its next step must wait for one, it handles its events meanwhile. This thread only syncs:
// names and contents are touched by the window's thread alone. A sync that nothing waits for yet
// (that of the finished MP3 files) has a thread of its own, so that a step that waits never queues
// behind it.
class SyncThread {
public:
    struct Request;
    using Ticket = std::shared_ptr<Request>;
    // Spends a wait of the window's thread until its argument holds.
    using Waiter = std::function<void(const std::function<bool()>& done)>;

    // `wake` is called on this thread after each sync, for a waiter asleep in its event loop.
    // Where `runsWhenLetGo`, the syncs handed over are made only at LetGo or at a wait for one,
    // so that a test sees every call in one order; otherwise at once.
    SyncThread(Waiter waiter, std::function<void()> wake, bool runsWhenLetGo = false);
    ~SyncThread();
    SyncThread(const SyncThread&) = delete;
    SyncThread& operator=(const SyncThread&) = delete;

    // `sync` answers 0, or the error number that failed it. `inBackground` where the window goes
    // on and asks for the answer later.
    Ticket Hand(std::function<int()> sync, bool inBackground = false);
    bool Done(const Ticket& ticket) const;
    // The answer, once the sync is made; the window handles its events meanwhile.
    int Wait(const Ticket& ticket);
    // Makes the syncs handed over so far, and returns once they are made.
    void LetGo();
    // Whether the window's thread is waiting for a sync: a handler that it runs meanwhile must not
    // touch the files the waiting step is changing.
    bool Waiting() const { return waits_ > 0; }
    // Whether a sync handed over has not answered yet.
    bool Busy() const;

private:
    struct Lane {
        std::deque<Ticket> queue;
        bool busy = false;
    };
    void Loop(Lane& lane);
    // Blocks until `done` holds, letting the thread make what is handed over meanwhile.
    void BlockUntil(const std::function<bool()>& done);

    Waiter waiter_;
    std::function<void()> wake_;
    const bool runsWhenLetGo_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    // One lane where the syncs are made only when let go, so that their order is one; else the
    // second takes those made in the background.
    std::deque<Lane> lanes_;
    int released_ = 0;
    bool stopping_ = false;
    int waits_ = 0;
    std::deque<std::thread> threads_;
};

// Puts the program's sync thread in place (nullptr takes it away); the one before it.
SyncThread* UseSyncThread(SyncThread* thread);
SyncThread* CurrentSyncThread();

// Makes an open file or folder durable: on the sync thread where there is one, waited for, else
// here.
Status SyncDescriptor(int fd);

} // namespace tarn::platform
