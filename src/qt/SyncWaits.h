#pragma once

#include "platform/SyncThread.h"
#include "platform/Workers.h"

#include <QObject>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>

class QAbstractEventDispatcher;

namespace tarn::gui {

// How the window bears a disk that does not answer (a hard NFS mount whose server is gone, a
// hung USB device).
struct DiskPatience {
    // After this long the window says that the disk does not answer, until it does.
    std::chrono::milliseconds notice{3000};
    // Once an end is asked for, the program waits at most this long for a sync. Every record is
    // durable before the step it guards, so the next start puts in order what was not confirmed.
    std::chrono::milliseconds end{10000};
    // Told true when the notice is due, false once the sync has answered.
    std::function<void(bool slow)> onSlowDisk;
    // Ends the program without waiting further; by default at once, with status 1.
    std::function<void()> onGiveUp;
};

// Completions posted from any thread, run on the window's thread among its events.
class CompletionQueue : public QObject {
    Q_OBJECT

public:
    CompletionQueue();
    void Post(std::function<void()> completion);

signals:
    void Posted();

private:
    void RunPosted();

    std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
};

// The program's sync thread, waited for in the window's event loop: while a step waits for its
// file to reach the disk, the window repaints and its timers tick; during a job Abort works too,
// while outside a job clicks and keys wait until the step is done.
class SyncWaits {
public:
    // `inputAllowed` tells whether a wait lets clicks and keys through; `endAsked` whether the
    // program has been asked to end.
    SyncWaits(std::function<bool()> inputAllowed, std::function<bool()> endAsked = {},
              DiskPatience patience = {});
    ~SyncWaits();
    SyncWaits(const SyncWaits&) = delete;
    SyncWaits& operator=(const SyncWaits&) = delete;

private:
    void Wait(const std::function<bool()>& done) const;
    void GiveUp() const;

    std::function<bool()> inputAllowed_;
    std::function<bool()> endAsked_;
    DiskPatience patience_;
    QAbstractEventDispatcher* dispatcher_;
    CompletionQueue completions_;
    platform::SyncThread thread_;
    platform::SyncThread* outer_;
};

// The program's workers, `count` lanes of them, waited for in the window's event loop as the sync
// thread is: while a job waits for its runs, the window repaints and its timers tick, and clicks
// and keys come through where `inputAllowed` says so.
class WorkerWaits {
public:
    WorkerWaits(int count, std::function<bool()> inputAllowed);
    ~WorkerWaits();
    WorkerWaits(const WorkerWaits&) = delete;
    WorkerWaits& operator=(const WorkerWaits&) = delete;

private:
    std::function<bool()> inputAllowed_;
    platform::Workers workers_;
    platform::Workers* outer_;
};

} // namespace tarn::gui
