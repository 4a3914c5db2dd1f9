#include "qt/SyncWaits.h"

#include "qt/Guard.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <iostream>
#include <thread>

namespace tarn::gui {

namespace {

// How often a wait looks at the clock while no event comes.
constexpr int kLookMs = 100;

} // namespace

CompletionQueue::CompletionQueue() {
    // Queued even when posted from the window's own thread: a completion never runs inside the
    // step that posted it.
    connect(this, &CompletionQueue::Posted, this, &CompletionQueue::RunPosted,
            Qt::QueuedConnection);
}

void CompletionQueue::Post(std::function<void()> completion) {
    {
        const std::lock_guard lock(mutex_);
        posted_.push_back(std::move(completion));
    }
    emit Posted();
}

void CompletionQueue::RunPosted() {
    std::deque<std::function<void()>> posted;
    {
        const std::lock_guard lock(mutex_);
        posted.swap(posted_);
    }
    for (const auto& completion : posted) {
        RunGuarded(completion);
    }
}

SyncWaits::SyncWaits(std::function<bool()> inputAllowed, std::function<bool()> endAsked,
                     DiskPatience patience)
    : inputAllowed_(std::move(inputAllowed)), endAsked_(std::move(endAsked)),
      patience_(std::move(patience)), dispatcher_(QAbstractEventDispatcher::instance()),
      thread_(
          [this](const std::function<bool()>& done) { Wait(done); },
          // Thread-safe: the sleeping event loop looks at the answer.
          [this] { dispatcher_->wakeUp(); },
          // An event of the window's own thread.
          [this](std::function<void()> completion) { completions_.Post(std::move(completion)); }),
      outer_(platform::UseSyncThread(&thread_)) {}

SyncWaits::~SyncWaits() {
    platform::UseSyncThread(outer_);
    // A sync that never answers would hold the end for ever: it has as long as an end allows.
    if (thread_.Busy()) {
        QElapsedTimer waited;
        waited.start();
        // The window has gone: nothing is left to handle meanwhile.
        while (thread_.Busy() && waited.elapsed() < patience_.end.count()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kLookMs));
        }
        if (thread_.Busy()) {
            GiveUp();
        }
    }
}

void SyncWaits::GiveUp() const {
    std::cerr << "tarnme: the disk has not answered for "
              << std::chrono::duration_cast<std::chrono::seconds>(patience_.end).count()
              << " seconds, and the program ends without waiting for it; the next start puts "
                 "in order what was not confirmed.\n";
    if (patience_.onGiveUp) {
        patience_.onGiveUp();
        return;
    }
    std::_Exit(EXIT_FAILURE);
}

void SyncWaits::Wait(const std::function<bool()>& done) const {
    const QEventLoop::ProcessEventsFlags flags =
        QEventLoop::WaitForMoreEvents |
        (inputAllowed_() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    // Wakes the loop now and then, so that a disk that does not answer is noticed.
    QTimer look;
    look.start(kLookMs);
    QElapsedTimer waited;
    waited.start();
    bool slow = false;
    while (!done()) {
        QCoreApplication::processEvents(flags);
        if (!slow && waited.elapsed() >= patience_.notice.count()) {
            slow = true;
            if (patience_.onSlowDisk) {
                patience_.onSlowDisk(true);
            }
        }
        if (endAsked_ && endAsked_() && waited.elapsed() >= patience_.end.count() && !done()) {
            GiveUp();
            break;
        }
    }
    if (slow && patience_.onSlowDisk) {
        patience_.onSlowDisk(false);
    }
}

WorkerWaits::WorkerWaits(int count, std::function<bool()> inputAllowed)
    : inputAllowed_(std::move(inputAllowed)),
      workers_(
          [this](const std::function<bool()>& done) {
              const QEventLoop::ProcessEventsFlags flags =
                  QEventLoop::WaitForMoreEvents |
                  (inputAllowed_() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
              while (!done()) {
                  QCoreApplication::processEvents(flags);
              }
          },
          // Thread-safe, and called after the work is marked done: the loop asleep looks again.
          [dispatcher = QAbstractEventDispatcher::instance()] { dispatcher->wakeUp(); }, count),
      outer_(platform::UseWorkers(&workers_)) {}

// The lanes' threads finish what was posted to them as the workers go.
WorkerWaits::~WorkerWaits() {
    platform::UseWorkers(outer_);
}

} // namespace tarn::gui
