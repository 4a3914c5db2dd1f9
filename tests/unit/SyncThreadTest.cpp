#include "platform/SyncThread.h"

#include "support/HeldExecutor.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace tarn {
namespace {

using namespace std::chrono_literals;

// Answers 0 once `until` holds, or ETIMEDOUT after a long while, so that a test cannot hang.
int SyncUntil(const std::atomic<bool>& until) {
    for (int i = 0; i < 1000 && !until; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    return until ? 0 : ETIMEDOUT;
}

// A step's own sync is never queued behind the slow one in the background; each gets its answer.
TEST(SyncThreadTest, AStepNeverWaitsBehindTheSyncInTheBackground) {
    bool waitingSeen = false;
    platform::SyncThread* waited = nullptr;
    platform::SyncThread syncs([&](const auto& /*done*/) { waitingSeen = waited->Waiting(); },
                               nullptr, [&](auto completion) { completion(); });
    waited = &syncs;
    std::atomic<bool> waitedForMade = false;
    const auto background =
        syncs.QueueInBackground([&] { return SyncUntil(waitedForMade); }, [](int /*answer*/) {});
    EXPECT_EQ(syncs.Wait(syncs.Queue([&] {
        waitedForMade = true;
        return EIO;
    })),
              EIO);
    EXPECT_EQ(syncs.Wait(background), 0);
    EXPECT_EQ(std::pair(waitingSeen, syncs.Waiting()), std::pair(true, false));
}

// Background syncs run by their executor answer on the window's thread only, in their order.
TEST(SyncThreadTest, AnswersInTheBackgroundAreDeliveredInTheirOrder) {
    testing::HeldExecutor waitedExecutor, backgroundExecutor;
    std::vector<std::function<void()>> deliveries;
    std::mutex deliveriesMutex;
    platform::SyncThread syncs(
        nullptr, nullptr,
        [&](std::function<void()> completion) {
            const std::lock_guard lock(deliveriesMutex);
            deliveries.push_back(std::move(completion));
        },
        waitedExecutor, backgroundExecutor);
    std::vector<int> answers;
    for (const int error : {0, ENOSPC}) {
        syncs.QueueInBackground([error] { return error; },
                                [&answers](int answer) { answers.push_back(answer); });
    }
    EXPECT_TRUE(syncs.Busy());
    backgroundExecutor.LetGo();
    EXPECT_FALSE(syncs.Busy());
    EXPECT_TRUE(answers.empty()) << "delivered on the window's thread, not the executor's";
    for (const auto& completion : deliveries) {
        completion();
    }
    EXPECT_EQ(answers, (std::vector{0, ENOSPC}));
}

} // namespace
} // namespace tarn
