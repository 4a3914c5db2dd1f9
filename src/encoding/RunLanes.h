#pragma once

#include "common/Status.h"
#include "encoding/FileRun.h"
#include "platform/Workers.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>

namespace tarn {

// The runs of a job that are under way at once, each encoding on a lane of the workers while
// the window's thread reads and writes for all of them. They are kept in the order they were
// started in, and an ended run leaves only once those before it have: what each has to say is
// said in that order.
class RunLanes {
public:
    struct Slot {
        // Its place in the job.
        std::size_t entry = 0;
        std::unique_ptr<FileRun> run;
        Status outcome;
        bool ended = false;
        int lane = 0;
        platform::Workers::Ticket encoding;
    };

    // Without workers every chunk is encoded on the window's thread, one run at a time.
    explicit RunLanes(platform::Workers* workers);
    // Waits for the encoding under way, without handling events: its run's memory goes then.
    ~RunLanes();
    RunLanes(const RunLanes&) = delete;
    RunLanes& operator=(const RunLanes&) = delete;

    // Whether another run may start: fewer runs are under way than there are lanes.
    bool HasRoom() const;
    Slot& Add(std::size_t entry, std::unique_ptr<FileRun> run);
    // Encodes what the slot's run has read: on its lane, or here.
    void Encode(Slot& slot);
    // The first run, in order, whose encoding is done; when none is yet, waits for one while the
    // window handles its events. Null when no run is under way.
    Slot* NextReady();
    // The first run, once it has ended.
    std::optional<Slot> TakeEnded();
    // The runs that have not left, in order.
    std::deque<Slot>& Slots() { return slots_; }

private:
    bool Encoding(const Slot& slot) const;

    platform::Workers* workers_;
    int lanes_;
    std::deque<Slot> slots_;
};

} // namespace tarn
