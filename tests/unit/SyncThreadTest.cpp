#include "platform/SyncThread.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace tarn {
namespace {

using namespace std::chrono_literals;

// Answers 0 once `until` holds, or ETIMEDOUT after a long while: a test that would otherwise
// hang fails instead.
int SyncUntil(const std::atomic<bool>& until) {
    for (int i = 0; i < 1000 && !until; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    return until ? 0 : ETIMEDOUT;
}

// The sync of the finished files runs in the background for as long as a slow disk takes: a step
// that waits for a sync of its own is never queued behind it, and each gets its own answer.
TEST(SyncThreadTest, AStepNeverWaitsBehindTheSyncInTheBackground) {
    bool waitingSeen = false;
    platform::SyncThread* waited = nullptr;
    platform::SyncThread syncs([&](const auto& /*done*/) { waitingSeen = waited->Waiting(); },
                               nullptr);
    waited = &syncs;
    std::atomic<bool> waitedForMade = false;
    const auto background = syncs.Hand([&] { return SyncUntil(waitedForMade); }, true);
    EXPECT_EQ(syncs.Wait(syncs.Hand([&] {
        waitedForMade = true;
        return EIO;
    })),
              EIO);
    EXPECT_EQ(syncs.Wait(background), 0);
    EXPECT_TRUE(waitingSeen);
    EXPECT_FALSE(syncs.Waiting());
}

// Where the syncs run only when let go, none is made before, and all are made by then, in the
// order they were handed over.
TEST(SyncThreadTest, LetGoMakesEverySyncHandedOverInOrder) {
    platform::SyncThread syncs(nullptr, nullptr, true);
    std::vector<int> made;
    const auto first = syncs.Hand(
        [&] {
            made.push_back(1);
            return 0;
        },
        true);
    const auto second = syncs.Hand([&] {
        made.push_back(2);
        return ENOSPC;
    });
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(made.empty());
    EXPECT_FALSE(syncs.Done(first));
    syncs.LetGo();
    EXPECT_EQ(made, (std::vector{1, 2}));
    EXPECT_TRUE(syncs.Done(second));
    EXPECT_EQ(syncs.Wait(second), ENOSPC);
}

} // namespace
} // namespace tarn
