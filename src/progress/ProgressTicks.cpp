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
// The elements of the clock state: the job's, and the shown file's.
constexpr std::size_t kJob = 0;
constexpr std::size_t kFile = 1;

std::int32_t PercentShown(const forms::Label& bar) {
    return ReadBackPercent(bar.Caption()).value_or(0);
}

} // namespace

void frmMain::ShowPercent(bool isJob, std::int32_t percent) {
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
    const auto source = platform::FileLength(FilePaths[entry]);
    const auto expected = source ? ExpectedMp3Length(*source, SizeRatios[entry]) : std::nullopt;
    if (!expected) {
        return std::nullopt;
    }
    // An MP3 file that does not exist yet counts as empty; an empty source gives no number.
    const std::int64_t written = platform::FileLength(Mp3Paths[entry]).ValueOr(0);
    return RoundPercent(static_cast<double>(written) / *expected * 100.0);
}

void frmMain::tmrProgress_Timer() {
    if (PercentShown(lblProgres) > 99) {
        if (ShownEntry <= FileCount) {
            ++ShownEntry;
            lblProgres.SetWidth(0);
            StartTimes[1] = platform_.clock.Now();
            ElapsedSeconds[1] = 0;
            ElapsedMinutes[1] = 0;
            lblTimpEstimatPartial.SetCaption(kZeroTime);
        }
        if (ShownEntry > FileCount) {
            return; // the end of the list: nothing more to measure
        }
    }
    if (const auto percent = FilePercent(ShownEntry)) {
        ShowPercent(false, *percent);
    }

    // Nothing is counted before the first clock tick or within the first second of the job or
    // of the shown file. A text of 00:00:00 after whole days is a minute like any other.
    for (std::size_t k : {kJob, kFile}) {
        const bool firstSecond =
            ElapsedTexts[k] == kZeroTime && std::chrono::abs(ClockTimes[k] - StartTimes[k]) < 1s;
        if (ElapsedTexts[k].empty() || firstSecond) {
            return;
        }
    }
    for (std::size_t k : {kJob, kFile}) {
        ElapsedSeconds[k] = SecondsField(ElapsedTexts[k]).value_or(ElapsedSeconds[k]);
        // A minute counts when the seconds field is seen at 00 after having been seen above.
        if (ElapsedSeconds[k] == 0 && SecondsSeen[k]) {
            ++ElapsedMinutes[k];
            SecondsSeen[k] = false;
        } else if (ElapsedSeconds[k] > 0) {
            SecondsSeen[k] = true;
        }
        ElapsedTexts[k] = FormatElapsed(ClockTimes[k], StartTimes[k]);
    }
}

void frmMain::Timer1_Timer() {
    if (PercentShown(lblProgres) == 100 && ShownEntry > FileCount) {
        return;
    }
    for (std::size_t k : {kJob, kFile}) {
        ClockTimes[k] = platform_.clock.Now();
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
