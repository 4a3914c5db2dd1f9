#pragma once

#include <optional>

namespace tarn {

// Where the encoding job is. A job is one long call of Go; Abort, Exit and the ticks run nested
// inside its runs' pauses, and the state says which of them may act there.
enum class JobState {
    // No job, and Go is not running.
    Idle,
    // Go is running the job's runs.
    Running,
    // The runs have returned and Go with them; the next job tick ends the job.
    RunsDone,
    // Aborted: the window is idle, but Go waits for its run to finish the current chunk.
    Aborting,
    // As Aborting, and Go was pressed again: the new job starts once that run has returned.
    AbortingThenStart,
    // As Aborting, and leaving was asked for: the program ends once that run has returned.
    AbortingThenExit,
};

enum class JobEvent {
    // Go pressed: starts a job, or asks for one once an aborted run has returned.
    Go,
    Abort,
    // Leaving asked for: by Exit, by closing the window, or by an end from outside.
    Exit,
    // Go's runs have returned, whether they all ran or an abort stopped them.
    RunsEnded,
    // The job tick that ends a job whose runs are done.
    LastTick,
};

// The state after `event`; nothing when the event may not act in `state`, which then stays.
std::optional<JobState> NextJobState(JobState state, JobEvent event);

// Whether the run under way is to stop after its current chunk.
bool AbortRequestedIn(JobState state);

// The window's abort request: a view of the job state, read by the run once per chunk.
class AbortRequest {
public:
    explicit AbortRequest(JobState& state) : state_(state) {}
    AbortRequest(const AbortRequest&) = delete;
    AbortRequest& operator=(const AbortRequest&) = delete;

    operator bool() const { return AbortRequestedIn(state_); }
    // Only for a run outside any job, as a test makes one: asks it to stop, or withdraws that.
    // A job's state is left alone.
    AbortRequest& operator=(bool requested);

private:
    JobState& state_;
};

} // namespace tarn
