#pragma once

#include "platform/FileOps.h"
#include "shell/frmMain.h"
#include "support/TempDir.h"
#include "support/TestPlatform.h"
#include "support/WavFiles.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace tarn::testing {

using Names = std::vector<std::string>;

// The bytes of a file; empty when it cannot be read.
inline std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
// The length of a file; -1 when there is none.
inline std::int64_t Length(const std::string& path) {
    return platform::FileLength(path).ValueOr(-1);
}

// The window over a fresh folder, loaded, with its timers under the virtual clock.
class JobFixture : public ::testing::Test {
public:
    void SetUp() override {
        form.Form_Load();
        platform.AttachTimers(form.Timers());
        // A chunk (0.42 s of sound) in 80 ms, two event processings: about five times real time.
        platform.doEventsCost = std::chrono::milliseconds(40);
    }

    void WriteSound(const std::string& name, double seconds) {
        WriteWav(dir.File(name), {.frames = static_cast<std::int64_t>(44100 * seconds)});
    }
    // Lists the file as the add button does and returns its path as listed.
    std::string Add(const std::string& name) {
        form.AddChosenFile(dir.File(name));
        return form.FilePaths[static_cast<std::size_t>(form.FileCount)];
    }
    std::string Listed(const std::string& name, double seconds) {
        WriteSound(name, seconds);
        return Add(name);
    }
    void Go() { form.cmdGo.Click.Raise(); }
    bool WaitForTheEnd() {
        return platform.RunUntil([this] { return !form.JobActive(); }, std::chrono::seconds(10));
    }
    void AtEveryPause(const std::function<void()>& probe) {
        platform.AtDoEvents(1, [this, probe] {
            probe();
            AtEveryPause(probe);
        });
    }
    // The names of the enabled buttons and options, sorted.
    Names EnabledControls() const {
        using forms::ControlKind;
        Names enabled;
        for (const forms::Control* control : form.Controls()) {
            const ControlKind kind = control->Kind();
            if (control->Enabled() &&
                (kind == ControlKind::CommandButton || kind == ControlKind::ComboBox ||
                 kind == ControlKind::CheckBox)) {
                enabled.push_back(control->Name());
            }
        }
        std::sort(enabled.begin(), enabled.end());
        return enabled;
    }
    std::tuple<bool, bool, bool> TimersEnabled() const {
        return {form.Timer1.Enabled(), form.tmrProgress.Enabled(), form.tmrTotal.Enabled()};
    }
    // As a job leaves it: list empty, options, Open, Help, Exit enabled, displays and clocks reset.
    void ExpectIdle() const {
        EXPECT_EQ(form.FileCount + form.lstOpenFileName.ListCount() +
                      form.lstOpenFileSize.ListCount(),
                  0);
        EXPECT_EQ(EnabledControls(),
                  (Names{"chkCRC", "chkCopyrightBit", "chkDelete", "chkFullPath", "chkOriginalBit",
                         "chkPrivateBit", "cmbBitrate", "cmbMode", "cmbQuality", "cmdExit",
                         "cmdHelp", "cmdOpen"}));
        EXPECT_EQ(form.lblTimpEstimat.Caption() + form.lblTimpTrecut.Caption() +
                      form.lblTimpEstimatPartial.Caption() + form.lblTimpTrecutPartial.Caption() +
                      form.lblProgres.Caption() + form.lblTotal.Caption(),
                  "00:00:0000:00:0000:00:0000:00:000%0%");
        EXPECT_EQ(form.lblProgres.Width() + form.lblTotal.Width(), 0);
        EXPECT_EQ(TimersEnabled(), std::tuple(false, false, false));
        const auto clock = std::tuple(form.ElapsedTexts, form.ElapsedSeconds, form.ElapsedMinutes,
                                      form.SecondsSeen);
        EXPECT_EQ(clock, decltype(clock){}) << "the clock state starts the next job afresh";
    }

    TempDir dir;
    TestPlatform platform;
    frmMain form{platform.Bundle()};
};

} // namespace tarn::testing
