#include "encoding/JobState.h"

namespace tarn {

std::optional<JobState> NextJobState(JobState state, JobEvent event) {
    using enum JobState;
    const bool aborting = AbortRequestedIn(state);
    switch (event) {
    case JobEvent::Go:
        // Go is disabled while a job runs or waits for its last tick.
        if (state == Idle) {
            return Running;
        }
        if (state == Aborting || state == AbortingThenStart) {
            return AbortingThenStart;
        }
        return std::nullopt;
    case JobEvent::Abort:
        if (state == Running) {
            return Aborting;
        }
        // No run is left to wait for.
        if (state == RunsDone) {
            return Idle;
        }
        return std::nullopt;
    case JobEvent::Exit:
        // A running job keeps Exit disabled and refuses to close; an aborted one only has to
        // let its run return. Leaving wins over a new job asked for meanwhile.
        if (state == Idle) {
            return Idle;
        }
        if (aborting) {
            return AbortingThenExit;
        }
        return std::nullopt;
    case JobEvent::RunsEnded:
        if (state == Running) {
            return RunsDone;
        }
        if (aborting) {
            return Idle;
        }
        return std::nullopt;
    case JobEvent::LastTick:
        if (state == RunsDone) {
            return Idle;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

bool AbortRequestedIn(JobState state) {
    return state == JobState::Aborting || state == JobState::AbortingThenStart ||
           state == JobState::AbortingThenExit;
}

AbortRequest& AbortRequest::operator=(bool requested) {
    if (requested && state_ == JobState::Idle) {
        state_ = JobState::Aborting;
    } else if (!requested && state_ == JobState::Aborting) {
        state_ = JobState::Idle;
    }
    return *this;
}

} // namespace tarn
