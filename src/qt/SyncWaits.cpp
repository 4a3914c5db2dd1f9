#include "qt/SyncWaits.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

namespace tarn::gui {

SyncWaits::SyncWaits(std::function<bool()> inputAllowed)
    : inputAllowed_(std::move(inputAllowed)), dispatcher_(QAbstractEventDispatcher::instance()),
      thread_([this](const std::function<bool()>& done) { Wait(done); },
              // Thread-safe: the sleeping event loop looks at the answer.
              [this] { dispatcher_->wakeUp(); }),
      outer_(platform::UseSyncThread(&thread_)) {}

SyncWaits::~SyncWaits() {
    platform::UseSyncThread(outer_);
}

void SyncWaits::Wait(const std::function<bool()>& done) const {
    const QEventLoop::ProcessEventsFlags flags =
        QEventLoop::WaitForMoreEvents |
        (inputAllowed_() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    while (!done()) {
        QCoreApplication::processEvents(flags);
    }
}

} // namespace tarn::gui
