#include "encoding/JobState.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using enum JobState;
constexpr JobState kStates[] = {Idle,     Running,           RunsDone,
                                Aborting, AbortingThenStart, AbortingThenExit};
constexpr JobEvent kEvents[] = {JobEvent::Go, JobEvent::Abort, JobEvent::Exit, JobEvent::RunsEnded,
                                JobEvent::LastTick};

// Once leaving has been asked for while a run finishes, nothing starts a job before the run has
// returned, and then the program ends.
TEST(JobStateTest, AfterExitNoEventStartsAJob) {
    for (const JobState state : kStates) {
        const std::optional<JobState> leaving = NextJobState(state, JobEvent::Exit);
        if (!leaving || *leaving == Idle) {
            continue; // refused, or nothing to wait for
        }
        for (const JobEvent event : kEvents) {
            EXPECT_EQ(NextJobState(*leaving, event).value_or(*leaving),
                      event == JobEvent::RunsEnded ? Idle : *leaving);
        }
    }
}

// A run under way is never joined by another, and one asked to stop stays asked until it has
// returned; from every state the end of the runs and the last tick lead back to Idle.
TEST(JobStateTest, OneRunAtATimeAndEveryJobEnds) {
    for (const JobState state : kStates) {
        SCOPED_TRACE(static_cast<int>(state));
        if (state != Idle) {
            EXPECT_NE(NextJobState(state, JobEvent::Go), Running);
        }
        for (const JobEvent event : {JobEvent::Go, JobEvent::Abort, JobEvent::Exit}) {
            if (AbortRequestedIn(state)) {
                EXPECT_TRUE(AbortRequestedIn(NextJobState(state, event).value_or(state)));
            }
        }
        const JobState ended = NextJobState(state, JobEvent::RunsEnded).value_or(state);
        EXPECT_EQ(NextJobState(ended, JobEvent::LastTick).value_or(ended), Idle);
    }
    EXPECT_TRUE(AbortRequestedIn(NextJobState(Running, JobEvent::Abort).value_or(Running)));
}

} // namespace
} // namespace tarn
