#include "encoding/JobState.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using enum JobState;
constexpr std::optional<JobState> kRefused;

// Every state against every event, in the order Go, Abort, Exit, RunsEnded, LastTick.
TEST(JobStateTest, SaysWhichHandlerMayActInWhichState) {
    struct Row {
        JobState state;
        std::optional<JobState> after[5];
    };
    const Row rows[] = {
        {Idle, {Running, kRefused, Idle, kRefused, kRefused}},
        {Running, {kRefused, Aborting, kRefused, RunsDone, kRefused}},
        {RunsDone, {kRefused, Idle, kRefused, kRefused, Idle}},
        {Aborting, {AbortingThenStart, kRefused, AbortingThenExit, Idle, kRefused}},
        {AbortingThenStart, {AbortingThenStart, kRefused, AbortingThenExit, Idle, kRefused}},
        {AbortingThenExit, {kRefused, kRefused, AbortingThenExit, Idle, kRefused}},
    };
    for (const Row& row : rows) {
        for (int event = 0; event < 5; ++event) {
            EXPECT_EQ(NextJobState(row.state, static_cast<JobEvent>(event)), row.after[event])
                << "state " << static_cast<int>(row.state) << ", event " << event;
        }
    }
}

} // namespace
} // namespace tarn
