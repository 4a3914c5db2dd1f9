#pragma once

#include "forms/Event.h"

#include <string>

namespace tarn::forms {

// A window timer. It raises Tick every Interval milliseconds while Enabled, but only when the
// window processes its events; StateChanged tells the platform to restart or stop it.
class Timer {
public:
    Timer(std::string name, int intervalMs) : name_(std::move(name)), interval_(intervalMs) {}
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    const std::string& Name() const { return name_; }
    int Interval() const { return interval_; }
    void SetInterval(int intervalMs);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    Event<> Tick;
    Event<> StateChanged;

private:
    std::string name_;
    int interval_;
    bool enabled_ = false;
};

} // namespace tarn::forms
