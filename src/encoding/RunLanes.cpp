#include "encoding/RunLanes.h"

#include <algorithm>
#include <vector>

namespace tarn {

RunLanes::RunLanes(platform::Workers* workers)
    : workers_(workers), lanes_(workers != nullptr ? workers->Count() : 1) {}

RunLanes::~RunLanes() {
    for (const Slot& slot : slots_) {
        if (Encoding(slot)) {
            workers_->Finish(slot.encoding);
        }
    }
}

bool RunLanes::Encoding(const Slot& slot) const {
    return slot.encoding && !workers_->Done(slot.encoding);
}

bool RunLanes::HasRoom() const {
    return std::count_if(slots_.begin(), slots_.end(),
                         [](const Slot& slot) { return !slot.ended; }) < lanes_;
}

RunLanes::Slot& RunLanes::Add(std::size_t entry, std::unique_ptr<FileRun> run) {
    std::vector<bool> taken(static_cast<std::size_t>(lanes_));
    for (const Slot& slot : slots_) {
        taken[static_cast<std::size_t>(slot.lane)] =
            taken[static_cast<std::size_t>(slot.lane)] || !slot.ended;
    }
    const auto free = std::find(taken.begin(), taken.end(), false);
    Slot& slot = slots_.emplace_back();
    slot.entry = entry;
    slot.run = std::move(run);
    slot.lane = static_cast<int>(free == taken.end() ? 0 : free - taken.begin());
    return slot;
}

void RunLanes::Encode(Slot& slot) {
    if (workers_ == nullptr) {
        slot.run->Encode();
        return;
    }
    slot.encoding = workers_->Post(slot.lane, [run = slot.run.get()] { run->Encode(); });
}

RunLanes::Slot* RunLanes::NextReady() {
    for (;;) {
        std::vector<platform::Workers::Ticket> encoding;
        for (Slot& slot : slots_) {
            if (slot.ended) {
                continue;
            }
            if (!Encoding(slot)) {
                slot.encoding.reset();
                return &slot;
            }
            encoding.push_back(slot.encoding);
        }
        if (encoding.empty()) {
            return nullptr;
        }
        workers_->WaitForAny(encoding);
    }
}

std::optional<RunLanes::Slot> RunLanes::TakeEnded() {
    if (slots_.empty() || !slots_.front().ended) {
        return std::nullopt;
    }
    if (Encoding(slots_.front())) {
        workers_->Finish(slots_.front().encoding);
    }
    Slot slot = std::move(slots_.front());
    slots_.pop_front();
    return slot;
}

} // namespace tarn
