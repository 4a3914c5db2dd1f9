#include "support/JobFixture.h"

#include <algorithm>
#include <tuple>

namespace tarn::testing {

void JobFixture::AtEveryPause(const std::function<void()>& probe) {
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
    EXPECT_EQ(TimersEnabled(), std::tuple(false, false, false));
    const auto clock =
        std::tuple(form.ElapsedTexts, form.ElapsedSeconds, form.ElapsedMinutes, form.SecondsSeen);
    EXPECT_EQ(clock, decltype(clock){}) << "the clock state starts the next job afresh";
}

} // namespace tarn::testing
