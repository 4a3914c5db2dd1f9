#pragma once

#include "platform/Platform.h"

#include <chrono>
#include <string>
#include <vector>

namespace tarn::bench {

// The platform of a window without a window: the system's clock, and a desktop that asks and
// answers nothing. A benchmark adds the event pump and what becomes of the messages.
class Headless : public platform::Clock,
                 public platform::EventPump,
                 public platform::Notifier,
                 public platform::OpenDialog,
                 public platform::InstanceMarker,
                 public platform::WindowHost,
                 public platform::Desktop {
public:
    platform::Platform Bundle() { return {*this, *this, *this, *this, *this, *this, *this}; }

    platform::DateTime Now() override {
        return std::chrono::duration_cast<platform::DateTime>(
            std::chrono::system_clock::now().time_since_epoch());
    }
    void Beep() override {}
    std::string ShowOpen(const platform::OpenDialogRequest& /*request*/) override { return {}; }
    Result<bool> AnotherInstanceRunning() override { return false; }
    bool HandOver(const std::vector<std::string>& /*files*/) override { return false; }
    void DeleteWindowMenuItem(int /*position*/) override {}
    void Unload() override {}
    void ShellOpen(const std::string& /*verb*/, const std::string& /*target*/,
                   platform::ShowCommand /*show*/) override {}
    void ShowHelp(const std::string& /*helpFile*/) override {}
    std::string ProgramFolder() override { return "."; }
    double ScreenTwipsPerPixelY() override { return 15.0; }
};

} // namespace tarn::bench
