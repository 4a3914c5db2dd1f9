#include "encoding/JobState.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using enum JobState;

// One run at a time; an abort or an exit asked for stays; the runs' end and last tick lead to Idle.
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
