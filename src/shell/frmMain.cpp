#include "shell/frmMain.h"

#include "shell/AppInfo.h"
#include "shell/modGeneral.h"

namespace tarn {

frmMain::frmMain(platform::Platform platform) : platform_(platform) {
    CreateControls();
    ConnectHandlers();
    // Files that came while a change was under way join the list once the changes are done.
    keeper_.WhenIdle([this] { AddWaitingFiles(); });
    // During a run the answer is taken after its next chunk; once the runs are done, at once, as
    // a change of its own.
    finishedOutputs_.WhenAnswered([this] {
        if (jobState_ == JobState::RunsDone) {
            keeper_.Change([this] { SettleFinishedOutputs(false); });
        }
    });
}

void frmMain::Register(forms::Control& control) {
    controls_.push_back(&control);
    control.FocusRequested.ConnectForEventLifetime([this, &control] { activeControl_ = &control; });
}

void frmMain::ConnectHandlers() {
    for (forms::Control* control : HoverFocusControls()) {
        control->MouseMove.ConnectForEventLifetime([control] {
            if (control->Enabled()) {
                control->SetFocus();
            }
        });
    }
    cmdExit.Click.ConnectForEventLifetime([this] { cmdExit_Click(); });
    cmdHelp.Click.ConnectForEventLifetime([this] { cmdHelp_Click(); });
    lblEMail.Click.ConnectForEventLifetime([this] { lblEMail_Click(); });
    lblWWW.Click.ConnectForEventLifetime([this] { lblWWW_Click(); });
    cmdOpen.Click.ConnectForEventLifetime([this] { cmdOpen_Click(); });
    cmdDeleteFile.Click.ConnectForEventLifetime([this] { cmdDeleteFile_Click(); });
    cmdClearList.Click.ConnectForEventLifetime([this] { cmdClearList_Click(); });
    cmdGo.Click.ConnectForEventLifetime([this] { cmdGo_Click(); });
    cmdAbort.Click.ConnectForEventLifetime([this] { cmdAbort_Click(); });
    Timer1.Tick.ConnectForEventLifetime([this] { Timer1_Timer(); });
    tmrProgress.Tick.ConnectForEventLifetime([this] { tmrProgress_Timer(); });
    tmrTotal.Tick.ConnectForEventLifetime([this] { tmrTotal_Timer(); });
    lblTimpEstimatPartial.Change.ConnectForEventLifetime(
        [this] { lblTimpEstimatPartial_Change(); });
}

void frmMain::Form_Initialize() {
    // The Qt front end sets up its widget classes itself; nothing to initialise here.
}

void frmMain::Form_Load(const std::vector<std::string>& openedFiles) {
    cmbBitrate.SetListIndex(8);
    cmbMode.SetListIndex(1);
    cmbQuality.SetListIndex(1);

    const Result<bool> anotherInstance = platform_.instance.AnotherInstanceRunning();
    // Two instances would share one record of names and undo each other's work.
    if (!anotherInstance) {
        ShowError("The program cannot make sure that it is the only one running, and ends "
                  "without changing any file:\n" +
                  anotherInstance.Outcome().Reason() + ".");
        platform_.window.Unload();
        return;
    }
    if (*anotherInstance) {
        if (openedFiles.empty() || !platform_.instance.HandOver(openedFiles)) {
            platform_.notifier.Beep();
            platform_.notifier.ShowMessage({"The application is already running!",
                                            platform::MessageIcon::Critical, kAppTitle});
        }
        platform_.window.Unload();
        return;
    }

    RemoveSystemMenuItems(platform_.window, {false, false, false, false, false, true, true});
    lblProgres.SetWidth(0);
    lblTotal.SetWidth(0);
    Caption = kAppTitle;
    cmdHelp.SetWidth(2895);
    cmdExit.SetLeft(2880);
    cmdExit.SetWidth(2775);
    loaded_ = true;
}

void frmMain::cmdExit_Click() {
    // During a job its state decides: after an abort Go leaves once the run has returned.
    if (JobActive()) {
        endAsked_ = Advance(JobEvent::Exit) || endAsked_;
        return;
    }
    endAsked_ = true;
    ChangeList([this] { LeaveWhenAsked(); });
}

void frmMain::Form_QueryUnload(bool& cancel) {
    cancel = true;
    if (JobActive()) {
        endAsked_ = Advance(JobEvent::Exit) || endAsked_;
        return;
    }
    endAsked_ = true;
    // The list is being changed (its names given back at the end of a job, say, while the window
    // handles its events or waits for the disk): the window goes once that is done.
    if (keeper_.ChangeUnderWay()) {
        ChangeList([this] { LeaveWhenAsked(); });
        return;
    }
    cancel = false;
    // The window is going: no file joins the list it empties, and nothing queued runs.
    loaded_ = false;
    keeper_.Change([this] { ClearList(); });
    keeper_.DropPending();
}

void frmMain::Shutdown() {
    // A running job is aborted at once; the program leaves once its run has returned, or once
    // the change under way is done.
    cmdAbort_Click();
    cmdExit_Click();
}

void frmMain::LeaveWhenAsked() {
    // A Go that waited for its turn may have run meanwhile: its job ends here as Abort ends it.
    if (jobState_ == JobState::RunsDone) {
        static_cast<void>(Advance(JobEvent::Abort));
        ResetAfterJob();
        jobOutcome_.aborted = true;
        FinishAbortAfterRuns();
    }
    LeaveProgram();
}

void frmMain::LeaveProgram() {
    loaded_ = false;
    ClearList();
    keeper_.DropPending();
    platform_.window.Unload();
}

void frmMain::ShowError(const std::string& text) {
    platform_.notifier.ShowMessage({text, platform::MessageIcon::Critical, kAppTitle});
}

} // namespace tarn
