#pragma once

#include "forms/Timer.h"
#include "platform/Platform.h"

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tarn::testing {

using namespace std::chrono_literals;

// The platform under a virtual clock. Time moves only when the code under test processes its
// events (each DoEvents costs a fixed step) or when a test lets the window sit idle; timers and
// scripted user actions fire exactly when the clock passes their moment, so every interleaving
// is deterministic. Dialog answers are scripted; message boxes and beeps are recorded.
class TestPlatform : public platform::Clock,
                     public platform::EventPump,
                     public platform::Notifier,
                     public platform::OpenDialog,
                     public platform::InstanceMarker,
                     public platform::WindowHost,
                     public platform::Desktop {
public:
    // 2026-03-14 09:00:00 local time.
    static constexpr platform::DateTime kStart{1773478800000};

    platform::Platform Bundle() { return {*this, *this, *this, *this, *this, *this, *this}; }

    // ---- Clock and events ----
    platform::DateTime Now() override { return now_; }
    void SetNow(platform::DateTime now) { now_ = now; }
    void DoEvents() override;
    int DoEventsCalls() const { return doEventsCalls_; }
    void SetDoEventsCost(std::chrono::milliseconds cost) { doEventsCost_ = cost; }
    // Lets the window sit idle for a while, as its own event loop would.
    void RunFor(std::chrono::milliseconds duration) { Advance(duration); }
    // Idles until the condition holds; false when it still does not after `limit`.
    bool RunUntil(const std::function<bool()>& condition,
                  std::chrono::milliseconds limit = std::chrono::hours(1));

    void AttachTimers(const std::vector<forms::Timer*>& timers);
    // A user action that happens when the clock reaches `when` (or at the next event
    // processing after it).
    void At(platform::DateTime when, std::function<void()> action);
    void After(std::chrono::milliseconds delay, std::function<void()> action) {
        At(now_ + delay, std::move(action));
    }
    // A user action at the n-th call of DoEvents from now (1 = the next one).
    void AtDoEvents(int calls, std::function<void()> action);

    // ---- Message boxes and beeps ----
    void ShowMessage(const platform::MessageBoxRequest& request) override;
    void Beep() override;
    const std::vector<platform::MessageBoxRequest>& Messages() const { return messages_; }
    // Every message any test platform of this process has shown.
    static const std::vector<platform::MessageBoxRequest>& AllMessagesShown();
    int Beeps() const { return beeps_; }
    // "beep" and "message:<text>" in the order they happened.
    const std::vector<std::string>& Interactions() const { return interactions_; }
    std::function<void(const platform::MessageBoxRequest&)> onMessage;

    // ---- Open dialog ----
    std::string ShowOpen(const platform::OpenDialogRequest& request) override;
    void AnswerDialog(std::string path) { dialogAnswers_.push_back(std::move(path)); }
    const std::vector<platform::OpenDialogRequest>& DialogRequests() const {
        return dialogRequests_;
    }

    // ---- Instance marker and window ----
    bool AnotherInstanceRunning() override { return anotherInstance; }
    bool anotherInstance = false;
    void DeleteWindowMenuItem(int position) override { deletedMenuItems.push_back(position); }
    void Unload() override { ++unloadCalls; }
    std::vector<int> deletedMenuItems;
    int unloadCalls = 0;

    // ---- Desktop ----
    struct ShellRequest {
        std::string verb;
        std::string target;
        platform::ShowCommand show;
    };
    void ShellOpen(const std::string& verb, const std::string& target,
                   platform::ShowCommand show) override {
        shellRequests.push_back({verb, target, show});
    }
    void ShowHelp(const std::string& helpFile) override { helpRequests.push_back(helpFile); }
    std::string ProgramFolder() override { return programFolder; }
    double ScreenTwipsPerPixelY() override { return twipsPerPixelY; }
    std::vector<ShellRequest> shellRequests;
    std::vector<std::string> helpRequests;
    std::string programFolder = "/opt/tarn";
    double twipsPerPixelY = 15.0;

private:
    struct TimerState {
        forms::Timer* timer;
        platform::DateTime due{};
        bool running = false;
        bool firing = false;
    };

    void Advance(std::chrono::milliseconds duration);
    // Fires the earliest timer or action due at or before `until`; false when none is.
    bool FireNextDue(platform::DateTime until);

    platform::DateTime now_ = kStart;
    std::chrono::milliseconds doEventsCost_ = 5ms;
    int doEventsCalls_ = 0;
    std::vector<TimerState> timers_;
    std::multimap<platform::DateTime, std::function<void()>> actions_;
    std::multimap<int, std::function<void()>> doEventsActions_;
    std::vector<platform::MessageBoxRequest> messages_;
    std::vector<std::string> interactions_;
    int beeps_ = 0;
    std::deque<std::string> dialogAnswers_;
    std::vector<platform::OpenDialogRequest> dialogRequests_;
};

} // namespace tarn::testing
