#include "platform/Workers.h"

#include <algorithm>

namespace tarn::platform {

struct Workers::Work {
    bool done = false;
};

namespace {

Workers* current = nullptr;

} // namespace

Workers::Workers(Waiter waiter, std::function<void()> wake, std::vector<SerialExecutor*> lanes,
                 std::function<void()> release)
    : waiter_(std::move(waiter)), release_(std::move(release)), shared_(std::make_shared<Shared>()),
      lanes_(std::move(lanes)) {
    shared_->wake = std::move(wake);
}

Workers::Workers(Waiter waiter, std::function<void()> wake, int count)
    : waiter_(std::move(waiter)), shared_(std::make_shared<Shared>()) {
    shared_->wake = std::move(wake);
    for (int lane = 0; lane < std::max(count, 1); ++lane) {
        own_.push_back(std::make_unique<ThreadExecutor>());
        lanes_.push_back(own_.back().get());
    }
}

// Its own threads finish what is posted as they go.
Workers::~Workers() = default;

Workers::Ticket Workers::Post(int lane, std::function<void()> work) {
    auto ticket = std::make_shared<Work>();
    lanes_.at(static_cast<std::size_t>(lane))
        ->Post([shared = shared_, ticket, work = std::move(work)] {
            work();
            {
                const std::lock_guard lock(shared->mutex);
                ticket->done = true;
            }
            shared->finished.notify_all();
            if (shared->wake) {
                shared->wake();
            }
        });
    return ticket;
}

bool Workers::Done(const Ticket& ticket) const {
    const std::lock_guard lock(shared_->mutex);
    return ticket->done;
}

void Workers::WaitForAny(const std::vector<Ticket>& tickets) {
    const auto anyDone = [&] {
        const std::lock_guard lock(shared_->mutex);
        return std::any_of(tickets.begin(), tickets.end(),
                           [](const Ticket& ticket) { return ticket->done; });
    };
    if (waiter_ && !anyDone()) {
        waiter_(anyDone);
    }
    std::unique_lock lock(shared_->mutex);
    shared_->finished.wait(lock, [&] {
        return std::any_of(tickets.begin(), tickets.end(),
                           [](const Ticket& ticket) { return ticket->done; });
    });
}

void Workers::Finish(const Ticket& ticket) {
    if (release_ && !Done(ticket)) {
        release_();
    }
    std::unique_lock lock(shared_->mutex);
    shared_->finished.wait(lock, [&] { return ticket->done; });
}

Workers* UseWorkers(Workers* workers) {
    Workers* before = current;
    current = workers;
    return before;
}

Workers* CurrentWorkers() {
    return current;
}

} // namespace tarn::platform
