// The encoding job: Go, Abort, the job tick, the end of the job and the reset to idle.
#include "common/Rounding.h"
#include "filelist/FileNames.h"
#include "journal/NameJournal.h"
#include "platform/FileOps.h"
#include "progress/ProgressBar.h"
#include "progress/SizeRatio.h"
#include "shell/AppInfo.h"
#include "shell/frmMain.h"
#include "shell/modGeneral.h"

#include <cerrno>
#include <initializer_list>

namespace tarn {

namespace {

constexpr const char* kJobDone = "           Job done!";
constexpr const char* kZeroTime = "00:00:00";
// A rename at the end of a job that keeps failing is given up after this many attempts.
constexpr int kRenameAttempts = 3;

} // namespace

bool frmMain::Advance(JobEvent event) {
    const std::optional<JobState> next = NextJobState(jobState_, event);
    if (next) {
        jobState_ = *next;
    }
    return next.has_value();
}

void frmMain::cmdGo_Click() {
    // Refused, or waiting behind an aborted run that is still finishing its last chunk: the
    // Go still running starts the new job once that run has returned and the names are back.
    if (JobActive()) {
        static_cast<void>(Advance(JobEvent::Go));
        return;
    }
    // The job is a change of the list: one asked for behind another runs only if Go still can.
    const bool now = !keeper_.ChangeUnderWay();
    ChangeList([this, now] {
        if (now || cmdGo.Enabled()) {
            RunJobs();
        }
    });
}

void frmMain::RunJobs() {
    if (!Advance(JobEvent::Go)) {
        return;
    }
    try {
        RunJob();
    } catch (...) {
        // Otherwise Exit would wait for a run that is gone.
        static_cast<void>(Advance(JobEvent::RunsEnded));
        throw;
    }
    const JobState ended = jobState_;
    static_cast<void>(Advance(JobEvent::RunsEnded));
    if (ended == JobState::Running) {
        return;
    }
    RestoreNamesAfterAbort();
    if (ended == JobState::AbortingThenExit) {
        LeaveProgram();
    } else if (ended == JobState::AbortingThenStart) {
        // Go pressed again meanwhile: its job comes after the changes asked for before it.
        ChangeList([this] {
            if (FileCount > 0) {
                RunJobs();
            }
        });
    }
}

void frmMain::RunJob() {
    const std::string bitrate = cmbBitrate.Text();
    for (int i = 1; i <= FileCount; ++i) {
        SizeRatios[i] =
            SizeRatio(bitrate, SampleRates[i], BitsPerSample[i], Channels[i]).value_or(0.0);
    }

    cmdGo.SetEnabled(false);
    cmdAbort.SetEnabled(true);
    ShownEntry = 1;
    for (forms::Control* control : std::initializer_list<forms::Control*>{
             &cmdOpen, &cmdDeleteFile, &cmbQuality, &cmbBitrate, &cmbMode, &chkCRC, &chkDelete,
             &chkPrivateBit, &chkCopyrightBit, &chkOriginalBit, &chkFullPath, &cmdClearList,
             &cmdExit}) {
        control->SetEnabled(false);
    }

    // One that stays is refused by its run, which says so.
    for (int i = 1; i <= FileCount; ++i) {
        static_cast<void>(platform::DeleteFile(Mp3Paths[i]));
    }

    reachedAtAbort_ = kTableSize;
    StartTimes[0] = platform_.clock.Now();
    StartTimes[1] = platform_.clock.Now();
    jobEntries_.clear();
    for (int i = 1; i <= FileCount; ++i) {
        jobEntries_.push_back({FilePaths[i], ChosenPaths[i], Mp3Paths[i], FileRenamed[i]});
    }
    jobOutcome_ = {};
    JobStarted.Raise();
    Timer1.SetEnabled(true);
    tmrProgress.SetEnabled(true);
    tmrTotal.SetEnabled(true);

    // A copy: after an abort the table may be refilled while the runs finish.
    EncodeFiles(std::vector<std::string>(FilePaths.begin() + 1, FilePaths.begin() + 1 + FileCount));
}

void frmMain::cmdAbort_Click() {
    const JobState before = jobState_;
    if (!Advance(JobEvent::Abort)) {
        return;
    }
    reachedAtAbort_ = before == JobState::Running ? ShownEntry : kTableSize;
    // The window is idle at once, whatever the job still has to finish.
    ResetAfterJob();
    jobOutcome_.aborted = true;
    // With a run still under way, its files are open: the names come back once it returns.
    if (before != JobState::RunsDone) {
        JobEnded.Raise(jobOutcome_);
        return;
    }
    ChangeList([this] { FinishAbortAfterRuns(); });
}

void frmMain::FinishAbortAfterRuns() {
    // Its runs are done: their last files count.
    SettleFinishedOutputs(true);
    JobEnded.Raise(jobOutcome_);
    RestoreNamesAfterAbort();
}

void frmMain::tmrTotal_Timer() {
    std::int64_t done = 0;
    for (int i = 1; i <= FileCount; ++i) {
        done += platform::FileLength(Mp3Paths[i]).ValueOr(0);
    }
    // An entry whose length cannot be read (a file moved away, say) is left out of the
    // estimate; the others go on counting. With nothing to expect, the bar keeps its value.
    std::int64_t expected = 0;
    for (int i = 1; i <= FileCount; ++i) {
        const auto wavLength = platform::FileLength(FilePaths[i]);
        if (const auto mp3Length =
                wavLength ? ExpectedMp3Length(*wavLength, SizeRatios[i]) : std::nullopt) {
            expected = RoundToInt64(*mp3Length + static_cast<double>(expected));
        }
    }
    if (expected != 0) {
        const double percent = static_cast<double>(done) * 100.0 / static_cast<double>(expected);
        if (const auto rounded = RoundPercent(percent)) {
            ShowPercent(true, *rounded);
        }
    }

    // The job ends only once its last run has returned, so that no file is renamed while it is
    // being written: at the first tick after that, whatever the bar shows, since an estimate
    // larger than the real output would otherwise keep the job open for ever.
    // A tick while a change waits for the disk leaves the end to the next one.
    if (!keeper_.ChangeUnderWay() && Advance(JobEvent::LastTick)) {
        keeper_.Change([this] { EndJob(); });
    }
}

// The state is Idle already: Abort finds no job to stop.
void frmMain::EndJob() {
    // Files that came during the job wait until it has said all it has to say: this is a change.
    tmrTotal.SetEnabled(false);
    Timer1.SetEnabled(false);
    tmrProgress.SetEnabled(false);
    // The last files' sync has run since the runs ended.
    SettleFinishedOutputs(true);

    const bool wavKeepsCleanedName = chkDelete.Value() != forms::Unchecked;
    std::vector<NameNotGiven> notGiven;
    // The job's entries are the table's: nothing can be added or removed while a job runs.
    const std::vector<JobEntry> entries = std::move(jobEntries_);
    jobEntries_.clear();
    for (const JobEntry& entry : entries) {
        if (!entry.renamed) {
            continue;
        }
        // Only a file that was encoded keeps its cleaned name for good.
        const bool keepsCleanedName = wavKeepsCleanedName && entry.mp3Committed;
        if (keepsCleanedName) {
            keeper_.Forget(entry.filePath);
        }
        const std::vector<NameNotGiven> failed = GiveChosenNames(entry, !keepsCleanedName, true);
        notGiven.insert(notGiven.end(), failed.begin(), failed.end());
    }
    keeper_.DropSettledRecords();

    ResetAfterJob();
    platform_.notifier.Beep();
    jobOutcome_.troubles = jobOutcome_.troubles || !notGiven.empty();
    JobEnded.Raise(jobOutcome_);
    platform_.notifier.ShowMessage({kJobDone, platform::MessageIcon::None, kAppTitle});
    FileCount = 0;

    TellNamesNotGiven(notGiven);
}

std::vector<frmMain::NameNotGiven> frmMain::GiveChosenNames(const JobEntry& entry, bool wavToo,
                                                            bool pumpEvents) {
    const std::string chosenMp3 = ChangeExtension(entry.chosenPath, "mp3");
    // Only an MP3 file that its run finished takes the chosen name: whatever else has its path
    // is not the job's.
    bool wavDone = !wavToo;
    bool mp3Done = !entry.mp3Committed;
    Status wavResult;
    Status mp3Result;
    for (int attempt = 0; attempt < kRenameAttempts && !(wavDone && mp3Done); ++attempt) {
        if (!wavDone) {
            wavResult =
                platform::RenameNoReplace(entry.filePath, entry.chosenPath, keeper_.Journal());
            wavDone = wavResult.Ok();
        }
        if (pumpEvents) {
            platform_.events.DoEvents();
            platform_.events.DoEvents();
        }
        if (!mp3Done) {
            mp3Result = platform::RenameNoReplace(entry.mp3Path, chosenMp3, keeper_.Journal());
            mp3Done = mp3Result.Ok();
        }
    }
    std::vector<NameNotGiven> notGiven;
    if (wavToo) {
        keeper_.SettleName(wavResult, entry.filePath, entry.chosenPath, notGiven);
    }
    if (entry.mp3Committed) {
        keeper_.SettleName(mp3Result, entry.mp3Path, chosenMp3, notGiven);
    }
    return notGiven;
}

void frmMain::RestoreNamesAfterAbort() {
    SettleFinishedOutputs(true);
    std::vector<NameNotGiven> notGiven;
    for (std::size_t i = 0; i < jobEntries_.size(); ++i) {
        JobEntry& entry = jobEntries_[i];
        if (entry.mp3Committed && static_cast<int>(i) + 1 > reachedAtAbort_ &&
            keeper_.RemoveFinished(entry.mp3Path)) {
            entry.mp3Committed = false;
        }
        bool listedAgain = false;
        for (int n = 1; n <= FileCount; ++n) {
            listedAgain = listedAgain || FilePaths[n] == entry.filePath;
        }
        if (listedAgain) {
            // Its MP3 file keeps the name it has, and the next Go replaces it.
            if (entry.mp3Committed) {
                keeper_.Forget(entry.mp3Path);
            }
        } else if (entry.renamed) {
            // The WAV file gets its own name back whether or not "delete source" is ticked: an
            // aborted job has not encoded it successfully.
            const std::vector<NameNotGiven> failed = GiveChosenNames(entry, true, false);
            notGiven.insert(notGiven.end(), failed.begin(), failed.end());
        }
    }
    jobEntries_.clear();
    TellNamesNotGiven(notGiven);
}

void frmMain::ResetAfterJob() {
    Timer1.SetEnabled(false);
    tmrProgress.SetEnabled(false);
    tmrTotal.SetEnabled(false);
    for (forms::Label* label :
         {&lblTimpEstimat, &lblTimpTrecut, &lblTimpEstimatPartial, &lblTimpTrecutPartial}) {
        label->SetCaption(kZeroTime);
    }
    ResetProgress();

    cmdAbort.SetEnabled(false);
    cmdGo.SetEnabled(false);
    for (forms::Control* control : std::initializer_list<forms::Control*>{
             &cmdOpen, &cmdExit, &cmbQuality, &cmbBitrate, &cmbMode, &chkCRC, &chkDelete,
             &chkPrivateBit, &chkCopyrightBit, &chkOriginalBit, &chkFullPath}) {
        control->SetEnabled(true);
    }
    FileCount = 0;
    lstOpenFileName.Clear();
    lstOpenFileSize.Clear();
}

} // namespace tarn
