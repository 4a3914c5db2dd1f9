#include "shell/frmMain.h"

#include "shell/AppInfo.h"
#include "shell/modGeneral.h"

namespace tarn {

frmMain::frmMain(platform::Platform platform) : platform_(platform) {
    CreateControls();
    ConnectHandlers();
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
    const JobState before = jobState_;
    // After an abort the window is idle at once, but the run still has its files open: Go
    // leaves once it has returned.
    if (Advance(JobEvent::Exit) && before == JobState::Idle) {
        LeaveProgram();
    }
}

void frmMain::Form_QueryUnload(bool& cancel) {
    // The list is being changed (its names given back at the end of a job, say, while the window
    // handles its events or waits for the disk): the close would change it underneath.
    if (fileHolds_ > 0) {
        cancel = true;
        return;
    }
    const JobState before = jobState_;
    cancel = !Advance(JobEvent::Exit) || before != JobState::Idle;
    if (!cancel) {
        // The window is going: no file joins the list it empties.
        const FilesWait wait(fileHolds_);
        cmdClearList_Click();
        loaded_ = false;
    }
}

void frmMain::Shutdown() {
    // A running job is aborted first; Exit then leaves at once or once the run has returned.
    const FilesWait wait(fileHolds_);
    cmdAbort_Click();
    cmdExit_Click();
}

void frmMain::LeaveProgram() {
    const FilesWait wait(fileHolds_);
    cmdClearList_Click();
    loaded_ = false;
    platform_.window.Unload();
}

void frmMain::ShowError(const std::string& text) {
    platform_.notifier.ShowMessage({text, platform::MessageIcon::Critical, kAppTitle});
}

} // namespace tarn
