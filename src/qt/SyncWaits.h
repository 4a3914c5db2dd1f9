#pragma once

#include "platform/SyncThread.h"

#include <functional>

class QAbstractEventDispatcher;

namespace tarn::gui {

// The program's sync thread, waited for in the window's event loop: while a step waits for its
// file to reach the disk, the window repaints and its timers tick; during a job Abort works too,
// while outside a job clicks and keys wait until the step is done.
class SyncWaits {
public:
    // `inputAllowed` tells whether a wait lets clicks and keys through.
    explicit SyncWaits(std::function<bool()> inputAllowed);
    ~SyncWaits();
    SyncWaits(const SyncWaits&) = delete;
    SyncWaits& operator=(const SyncWaits&) = delete;

private:
    void Wait(const std::function<bool()>& done) const;

    std::function<bool()> inputAllowed_;
    QAbstractEventDispatcher* dispatcher_;
    platform::SyncThread thread_;
    platform::SyncThread* outer_;
};

} // namespace tarn::gui
