#include "support/JobFixture.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace tarn::testing {

std::optional<Names> InChild(const std::function<Names()>& body) {
    const TempDir scratch;
    const std::string report = scratch.File("report");
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            std::ofstream out(report);
            for (const std::string& line : body()) {
                out << line << '\x1e';
            }
            std::_Exit(out.flush() ? 0 : 3);
        } catch (...) {
            std::_Exit(2);
        }
    }
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    Names lines;
    std::ifstream in(report);
    for (std::string line; std::getline(in, line, '\x1e');) {
        lines.push_back(line);
    }
    return lines;
}

void JobFixture::AtEveryPause(std::function<void()> probe) {
    platform.AtDoEvents(1, [this, probe] {
        probe();
        AtEveryPause(probe);
    });
}

Names JobFixture::EnabledControls() const {
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

void JobFixture::ExpectIdle() const {
    EXPECT_EQ(form.FileCount + form.lstOpenFileName.ListCount() + form.lstOpenFileSize.ListCount(),
              0);
    EXPECT_EQ(EnabledControls(), (Names{"chkCRC", "chkCopyrightBit", "chkDelete", "chkFullPath",
                                        "chkOriginalBit", "chkPrivateBit", "cmbBitrate", "cmbMode",
                                        "cmbQuality", "cmdExit", "cmdHelp", "cmdOpen"}));
    EXPECT_EQ(form.lblTimpEstimat.Caption() + form.lblTimpTrecut.Caption() +
                  form.lblTimpEstimatPartial.Caption() + form.lblTimpTrecutPartial.Caption() +
                  form.lblProgres.Caption() + form.lblTotal.Caption(),
              "00:00:0000:00:0000:00:0000:00:000%0%");
    EXPECT_EQ(form.lblProgres.Width() + form.lblTotal.Width(), 0);
    EXPECT_FALSE(form.Timer1.Enabled() || form.tmrProgress.Enabled() || form.tmrTotal.Enabled());
    EXPECT_TRUE(form.ElapsedTexts == decltype(form.ElapsedTexts){} &&
                form.ElapsedSeconds == decltype(form.ElapsedSeconds){} &&
                form.ElapsedMinutes == decltype(form.ElapsedMinutes){} &&
                form.SecondsSeen == decltype(form.SecondsSeen){})
        << "the clock state starts the next job afresh";
}

} // namespace tarn::testing
