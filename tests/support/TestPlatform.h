#pragma once

#include "forms/Timer.h"
#include "journal/NameJournal.h"
#include "platform/Platform.h"
#include "platform/SyncThread.h"
#include "platform/Workers.h"
#include "support/HeldExecutor.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarn::testing {

using namespace std::chrono_literals;

// The platform on a virtual clock moved by DoEvents or idling; dialogs scripted, messages recorded.
class TestPlatform : public platform::Clock,
                     public platform::EventPump,
                     public platform::Notifier,
                     public platform::OpenDialog,
                     public platform::InstanceMarker,
                     public platform::WindowHost,
                     public platform::Desktop {
public:
    // Syncs run, and answer, only while the window handles events: every run sees one order.
    TestPlatform()
        : outerSyncs_(platform::UseSyncThread(&syncs_)), outerWorkers_(platform::CurrentWorkers()) {
        UseLanes(1);
    }
    ~TestPlatform() override {
        platform::UseWorkers(outerWorkers_);
        platform::UseSyncThread(outerSyncs_);
        EXPECT_EQ(NameJournal::NestedWrites(), nestedWrites_) << "a change ran inside another";
    }

    // Runs as many files at once as there are lanes; their chunks are encoded, as the syncs are
    // made, only while the window handles events or waits.
    void UseLanes(int count) {
        workers_.reset();
        lanes_.clear();
        std::vector<platform::SerialExecutor*> lanes;
        lanes.reserve(static_cast<std::size_t>(count));
        for (int lane = 0; lane < count; ++lane) {
            lanes.push_back(lanes_.emplace_back(std::make_unique<HeldExecutor>()).get());
        }
        workers_.emplace(
            [this](const auto& /*done*/) {
                Pause();
                LetSyncsGo();
            },
            nullptr, lanes, [this] { LetLanesGo(); });
        platform::UseWorkers(&*workers_);
    }

    platform::Platform Bundle() { return {*this, *this, *this, *this, *this, *this, *this}; }

    platform::DateTime Now() override { return now_; }
    void SetNow(platform::DateTime now) { now_ = now; }
    void DoEvents() override {
        LetSyncsGo();
        ++doEventsCalls;
        while (!doEventsActions_.empty() && doEventsActions_.begin()->first <= doEventsCalls) {
            doEventsActions_.extract(doEventsActions_.begin()).mapped()();
        }
        Pause();
        RunFor(doEventsCost);
    }
    // Called at each DoEvents, wait for a sync and message box; `pauses` counts them.
    std::function<void(int pause)> onPause;
    int pauses = 0;
    // Lets the window sit idle, as its own event loop would.
    void RunFor(std::chrono::milliseconds duration) {
        const platform::DateTime until = now_ + duration;
        for (;;) {
            // The earliest timer due; a timer is never re-entered while its own handler runs.
            TimerState* next = nullptr;
            for (TimerState& state : timers_) {
                if (state.running && !state.firing && state.due <= until &&
                    (next == nullptr || state.due < next->due)) {
                    next = &state;
                }
            }
            if (next == nullptr) {
                break;
            }
            now_ = std::max(now_, next->due);
            next->due = now_ + std::chrono::milliseconds(next->timer->Interval());
            next->firing = true;
            next->timer->Tick.Raise();
            next->firing = false;
        }
        now_ = std::max(now_, until);
    }
    // Idles until the condition holds; false when it still does not after `limit`.
    bool RunUntil(const std::function<bool()>& condition,
                  std::chrono::milliseconds limit = std::chrono::hours(1)) {
        for (const platform::DateTime end = now_ + limit; !condition(); RunFor(10ms)) {
            if (now_ >= end) {
                return false;
            }
        }
        return true;
    }
    void AttachTimers(const std::vector<forms::Timer*>& timers) {
        timers_.reserve(timers_.size() + timers.size());
        for (forms::Timer* timer : timers) {
            const std::size_t index = timers_.size();
            timers_.push_back({timer});
            timers_.back().following = timer->StateChanged.Connect([this, index] {
                TimerState& state = timers_[index];
                state.running = state.timer->Enabled() && state.timer->Interval() > 0;
                state.due = now_ + std::chrono::milliseconds(state.timer->Interval());
            });
        }
    }
    // An action at the n-th call of DoEvents from now (1 = the next one).
    void AtDoEvents(int calls, std::function<void()> action) {
        doEventsActions_.emplace(doEventsCalls + calls, std::move(action));
    }

    void ShowMessage(const platform::MessageBoxRequest& request) override {
        messages_.push_back(request);
        allMessagesShown.push_back(request);
        const char* mark = request.Icon == platform::MessageIcon::Critical      ? " (x)"
                           : request.Icon == platform::MessageIcon::Exclamation ? " (!)"
                                                                                : "";
        interactions.push_back(request.Title + mark + ": " + request.Text);
        if (onMessage) {
            onMessage(request);
        }
        Pause();
    }
    void Beep() override { interactions.push_back("beep"); }
    const std::vector<platform::MessageBoxRequest>& Messages() const { return messages_; }
    static inline std::vector<platform::MessageBoxRequest> allMessagesShown;
    std::function<void(const platform::MessageBoxRequest&)> onMessage;

    // Answers with the paths given, in turn; then as if cancelled.
    std::string ShowOpen(const platform::OpenDialogRequest& /*request*/) override {
        return answered_ < dialogAnswers_.size() ? dialogAnswers_[answered_++] : "";
    }
    void AnswerDialog(std::string path) { dialogAnswers_.push_back(std::move(path)); }

    Result<bool> AnotherInstanceRunning() override {
        return instanceFailure.Ok() ? Result<bool>(anotherInstance) : instanceFailure;
    }
    bool HandOver(const std::vector<std::string>& files) override {
        handedOver.push_back(files);
        return handOverTaken;
    }
    void DeleteWindowMenuItem(int position) override { deletedMenuItems.push_back(position); }
    void Unload() override { ++unloadCalls; }
    void ShellOpen(const std::string& verb, const std::string& target,
                   platform::ShowCommand show) override {
        shellRequests.push_back(verb + " " + target +
                                (show == platform::ShowCommand::Show ? " (show)" : " (normal)"));
    }
    void ShowHelp(const std::string& helpFile) override { helpRequests.push_back(helpFile); }
    std::string ProgramFolder() override { return programFolder; }
    double ScreenTwipsPerPixelY() override { return 15.0; }

    // What the user saw and heard: "beep", or "title (x or ! if critical or a warning): text".
    std::vector<std::string> interactions;
    int doEventsCalls = 0;
    std::chrono::milliseconds doEventsCost = 5ms;
    bool anotherInstance = false;
    Status instanceFailure;
    // The hand-overs asked for; whether the other instance takes them.
    std::vector<std::vector<std::string>> handedOver;
    bool handOverTaken = true;
    std::vector<int> deletedMenuItems;
    int unloadCalls = 0;
    // What the desktop was asked to open ("verb target (show command)"), and the help files.
    std::vector<std::string> shellRequests, helpRequests;
    std::string programFolder = "/opt/tarn";

private:
    struct TimerState {
        forms::Timer* timer;
        platform::DateTime due{};
        bool running = false, firing = false;
        forms::Connection following;
    };

    // 2026-03-14 09:00:00 local time.
    platform::DateTime now_{1773478800000};
    std::vector<TimerState> timers_;
    std::multimap<int, std::function<void()>> doEventsActions_;
    std::vector<platform::MessageBoxRequest> messages_;
    std::vector<std::string> dialogAnswers_;
    std::size_t answered_ = 0;
    void LetLanesGo() {
        for (const auto& lane : lanes_) {
            lane->LetGo();
        }
    }
    void LetSyncsGo() {
        LetLanesGo();
        waitedSyncs_.LetGo();
        backgroundSyncs_.LetGo();
        std::unique_lock lock(deliveredMutex_);
        const std::vector<std::function<void()>> delivered = std::exchange(delivered_, {});
        lock.unlock();
        for (const auto& completion : delivered) {
            completion();
        }
    }
    void Pause() {
        ++pauses;
        if (onPause) {
            onPause(pauses);
        }
    }

    testing::HeldExecutor waitedSyncs_, backgroundSyncs_;
    std::mutex deliveredMutex_;
    std::vector<std::function<void()>> delivered_;
    // A wait for a sync handles the window's events, as the program's does.
    platform::SyncThread syncs_{[this](const auto& /*done*/) {
                                    Pause();
                                    LetSyncsGo();
                                },
                                nullptr,
                                [this](std::function<void()> completion) {
                                    const std::lock_guard lock(deliveredMutex_);
                                    delivered_.push_back(std::move(completion));
                                },
                                waitedSyncs_, backgroundSyncs_};
    platform::SyncThread* outerSyncs_;
    std::vector<std::unique_ptr<testing::HeldExecutor>> lanes_;
    std::optional<platform::Workers> workers_;
    platform::Workers* outerWorkers_;
    const int nestedWrites_ = NameJournal::NestedWrites();
};

} // namespace tarn::testing
