#include "encoding/JobState.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using enum JobState;

// A run under way is never joined by another; one asked to stop stays asked until it has
// returned, and once leaving is asked for nothing but its return changes that; from every
// state the end of the runs and the last tick lead back to Idle.
TEST(JobStateTest, OneRunAtATimeAndEveryJobEnds) {
    for (const JobState state :
         {Idle, Running, RunsDone, Aborting, AbortingThenStart, AbortingThenExit}) {
        SCOPED_TRACE(static_cast<int>(state));
        if (state != Idle) {
            EXPECT_NE(NextJobState(state, JobEvent::Go), Running);
        }
        for (const JobEvent event : {JobEvent::Go, JobEvent::Abort, JobEvent::Exit}) {
            const JobState after = NextJobState(state, event).value_or(state);
            if (AbortRequestedIn(state)) {
                EXPECT_TRUE(AbortRequestedIn(after));
            }
            if (state == AbortingThenExit) {
                EXPECT_EQ(after, AbortingThenExit);
            }
        }
        const JobState ended = NextJobState(state, JobEvent::RunsEnded).value_or(state);
        EXPECT_EQ(NextJobState(ended, JobEvent::LastTick).value_or(ended), Idle);
    }
    EXPECT_EQ(NextJobState(Aborting, JobEvent::Exit), AbortingThenExit);
    EXPECT_TRUE(AbortRequestedIn(NextJobState(Running, JobEvent::Abort).value_or(Running)));
}

} // namespace
} // namespace tarn
