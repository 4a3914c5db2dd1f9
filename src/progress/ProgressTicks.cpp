// The two bars, the clock tick, the progress tick and the hours clamp of the file estimate.
#include "platform/FileOps.h"
#include "progress/ProgressBar.h"
#include "progress/SizeRatio.h"
#include "progress/TimeFormat.h"
#include "shell/frmMain.h"

#include <chrono>

namespace tarn {

namespace {

using namespace std::chrono_literals;

constexpr const char* kZeroTime = "00:00:00";

std::int32_t PercentShown(const forms::Label& bar) {
    return ReadBackPercent(bar.Caption()).value_or(0);
}

} // namespace

void frmMain::ShowPercent(bool isJob, std::int32_t percent) {
    if (percent < -kMaxBarPercent || percent > kMaxBarPercent) {
        return;
    }
    forms::Label& bar = isJob ? lblTotal : lblProgres;
    bar.SetCaption(BarText(isJob, percent));
    bar.SetWidth(BarWidth(percent));
}

void frmMain::ResetProgress() {
    for (forms::Label* bar : {&lblProgres, &lblTotal}) {
        bar->SetCaption("0%");
        bar->SetWidth(0);
    }
    ElapsedTexts = {};
    ElapsedSeconds = {};
    ElapsedMinutes = {};
    SecondsSeen = {};
}

std::optional<std::int32_t> frmMain::FilePercent(int entry) const {
    if (entry < 1 || entry > FileCount) {
        return std::nullopt;
    }
    const auto source = platform::FileLength(FilePaths[entry]);
    if (!source) {
        return std::nullopt;
    }
    const auto expected = ExpectedMp3Length(*source, SizeRatios[entry]);
    if (!expected || !(*expected > 0)) {
        return std::nullopt;
    }
    // An MP3 file that does not exist yet counts as empty.
    const std::int64_t written = platform::FileLength(Mp3Paths[entry]).value_or(0);
    return RoundPercent(static_cast<double>(written) / *expected * 100.0);
}

void frmMain::tmrProgress_Timer() {
    const std::int32_t shown = PercentShown(lblProgres);
    if (shown > 99 && ShownEntry <= FileCount) {
        ++ShownEntry;
        lblProgres.SetWidth(0);
        StartTimes[1] = platform_.clock.Now();
        ElapsedSeconds[1] = 0;
        ElapsedMinutes[1] = 0;
        lblTimpEstimatPartial.SetCaption(kZeroTime);
    }
    if (shown >= 100 && ShownEntry > FileCount) {
        return;
    }
    if (const auto percent = FilePercent(ShownEntry)) {
        ShowPercent(false, *percent);
    }

    // Nothing is counted before the first clock tick or within the first second. A text of
    // 00:00:00 after whole days is a minute like any other and is counted.
    for (std::size_t k = 0; k < 2; ++k) {
        const bool firstSecond =
            ElapsedTexts[k] == kZeroTime && std::chrono::abs(ClockTimes[k] - StartTimes[k]) < 1s;
        if (ElapsedTexts[k].empty() || firstSecond) {
            return;
        }
    }
    for (std::size_t k = 0; k < 2; ++k) {
        ElapsedSeconds[k] = SecondsField(ElapsedTexts[k]).value_or(ElapsedSeconds[k]);
    }
    // A minute counts when the seconds field is seen at 00 after having been seen above it.
    for (std::size_t k = 0; k < 2; ++k) {
        if (ElapsedSeconds[k] == 0 && SecondsSeen[k]) {
            ++ElapsedMinutes[k];
            SecondsSeen[k] = false;
        } else if (ElapsedSeconds[k] > 0) {
            SecondsSeen[k] = true;
        }
    }
    for (std::size_t k = 0; k < 2; ++k) {
        ElapsedTexts[k] = FormatElapsed(ClockTimes[k], StartTimes[k]);
    }
}

void frmMain::Timer1_Timer() {
    if (PercentShown(lblProgres) == 100 && ShownEntry > FileCount) {
        return;
    }
    ClockTimes[0] = platform_.clock.Now();
    ClockTimes[1] = platform_.clock.Now();
    for (std::size_t k = 0; k < 2; ++k) {
        ElapsedTexts[k] = FormatElapsed(ClockTimes[k], StartTimes[k]);
    }

    if (lblTimpTrecut.Caption() != ElapsedTexts[0]) {
        if (const auto estimate =
                EstimateSeconds(ElapsedMinutes[0], ElapsedSeconds[0], PercentShown(lblTotal))) {
            lblTimpEstimat.SetCaption(FormatEstimate(*estimate));
        }
    }
    lblTimpTrecut.SetCaption(ElapsedTexts[0]);

    if (lblTimpTrecutPartial.Caption() != ElapsedTexts[1]) {
        if (const auto estimate =
                EstimateSeconds(ElapsedMinutes[1], ElapsedSeconds[1], PercentShown(lblProgres))) {
            lblTimpEstimatPartial.SetCaption(FormatEstimate(*estimate));
        }
    }
    lblTimpTrecutPartial.SetCaption(ElapsedTexts[1]);
}

void frmMain::lblTimpEstimatPartial_Change() {
    if (const auto clamped =
            ClampEstimateHours(lblTimpEstimatPartial.Caption(), lblTimpEstimat.Caption())) {
        lblTimpEstimatPartial.SetCaption(*clamped);
    }
}

} // namespace tarn
