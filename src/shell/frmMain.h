#pragma once

#include "encoding/JobState.h"
#include "encoding/RunLanes.h"
#include "encoding/modLAME.h"
#include "forms/CheckBox.h"
#include "forms/CommandButton.h"
#include "forms/Frame.h"
#include "forms/Label.h"
#include "forms/Line.h"
#include "forms/ListControl.h"
#include "forms/Picture.h"
#include "forms/TabControl.h"
#include "forms/Timer.h"
#include "journal/FinishedOutputs.h"
#include "journal/NameJournal.h"
#include "journal/NameKeeper.h"
#include "platform/PaintSurface.h"
#include "platform/Platform.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

class clsFileIo;
struct WavFormat;
struct WavLayout;

// The main window: every control, the file table, the job and clock state, and the handlers.
// The handlers are defined in the folder of the subsystem they belong to.
class frmMain {
public:
    // Entries run from 1 to FileCount; position 0 is never used.
    static constexpr int kMaxEntries = 99;
    static constexpr int kTableSize = kMaxEntries + 1;
    static constexpr float kClientWidth = 5640;
    static constexpr float kClientHeight = 4800;

    explicit frmMain(platform::Platform platform);
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // ---- Window ----
    std::string Caption;
    bool Loaded() const { return loaded_; }

    forms::Line Line1{"Line1"};
    forms::Line Line2{"Line2"};
    forms::Line Line5{"Line5"};
    forms::Line Line6{"Line6"};
    forms::TabControl SSTab1{"SSTab1"};

    // Tab "Open File"
    forms::Label Label20{"Label20"};
    forms::Label Label21{"Label21"};
    forms::ListBox lstOpenFileName{"lstOpenFileName"};
    forms::ListBox lstOpenFileSize{"lstOpenFileSize"};
    forms::CheckBox chkFullPath{"chkFullPath"};
    forms::CommandButton cmdOpen{"cmdOpen"};
    forms::CommandButton cmdClearList{"cmdClearList"};
    forms::CommandButton cmdDeleteFile{"cmdDeleteFile"};

    // Tab "Options"
    forms::Label Label1{"Label1"};
    forms::ComboBox cmbQuality{"cmbQuality"};
    forms::Label Label2{"Label2"};
    forms::ComboBox cmbBitrate{"cmbBitrate"};
    forms::Label lblType{"lblType"};
    forms::ComboBox cmbMode{"cmbMode"};
    forms::Line Line3{"Line3"};
    forms::Line Line4{"Line4"};
    forms::CheckBox chkCRC{"chkCRC"};
    forms::CheckBox chkPrivateBit{"chkPrivateBit"};
    forms::CheckBox chkCopyrightBit{"chkCopyrightBit"};
    forms::CheckBox chkOriginalBit{"chkOriginalBit"};
    forms::CheckBox chkDelete{"chkDelete"};

    // Tab "Encode"
    forms::CommandButton cmdGo{"cmdGo"};
    forms::CommandButton cmdAbort{"cmdAbort"};
    forms::Frame Frame1{"Frame1"};
    std::array<forms::Label, 2> Label3{forms::Label("Label3(0)"), forms::Label("Label3(1)")};
    forms::Label lblProgres{"lblProgres"};
    forms::Label Label22{"Label22"};
    forms::Label lblTimpTrecutPartial{"lblTimpTrecutPartial"};
    forms::Label Label23{"Label23"};
    forms::Label lblTimpEstimatPartial{"lblTimpEstimatPartial"};
    forms::Frame Frame2{"Frame2"};
    forms::Label lblTotal{"lblTotal"};
    forms::Label Label7{"Label7"};
    forms::Label lblTimpTrecut{"lblTimpTrecut"};
    forms::Label Label8{"Label8"};
    forms::Label lblTimpEstimat{"lblTimpEstimat"};

    // Tab "About "
    forms::Picture Image2{"Image2"};
    forms::Frame Frame3{"Frame3"};
    forms::Label Label15{"Label15"};
    forms::Frame Frame4{"Frame4"};
    forms::Picture Image1{"Image1"};
    forms::Label Label12{"Label12"};
    forms::Label lblEMail{"lblEMail"};
    forms::Picture Picture2{"Picture2"};
    forms::Label Label13{"Label13"};
    forms::Label lblWWW{"lblWWW"};

    // Below the tabs
    forms::CommandButton cmdHelp{"cmdHelp"};
    forms::CommandButton cmdExit{"cmdExit"};

    forms::Timer Timer1{"Timer1", 350};
    forms::Timer tmrProgress{"tmrProgress", 200};
    forms::Timer tmrTotal{"tmrTotal", 350};

    // Every visible control, in the order they are created; every timer.
    const std::vector<forms::Control*>& Controls() const { return controls_; }
    std::vector<forms::Timer*> Timers() { return {&Timer1, &tmrProgress, &tmrTotal}; }
    forms::Control* ActiveControl() const { return activeControl_; }
    // The controls that take the keyboard focus when the pointer moves over them.
    std::vector<forms::Control*> HoverFocusControls();

    // ---- File table ----
    std::int16_t FileCount = 0;
    std::array<std::string, kTableSize> FilePaths;
    std::array<std::string, kTableSize> ChosenPaths;
    std::array<bool, kTableSize> FileRenamed{};
    std::array<std::string, kTableSize> Mp3Paths;
    std::array<std::int32_t, kTableSize> SampleRates{};
    std::array<std::int16_t, kTableSize> BitsPerSample{};
    std::array<std::int16_t, kTableSize> Channels{};

    // ---- Shell ----
    void Form_Initialize();
    // Beside a running instance, a start with files hands them to that instance and ends without
    // a word; a start without files, or one whose files are not taken, says that the program is
    // already running and ends.
    void Form_Load(const std::vector<std::string>& openedFiles = {});
    // While an aborted run is still finishing, leaving waits until it has returned.
    void cmdExit_Click();
    // The window manager asks to close the window; a running job refuses, and so does a change
    // of the list under way; an aborted run that is still finishing puts the close off until it
    // has returned.
    void Form_QueryUnload(bool& cancel);
    // An orderly end from outside (a signal, the end of the session); a running job is aborted.
    void Shutdown();
    // Whether the program has been asked to end (Exit, a close, an end from outside), whether or
    // not it could end yet.
    bool EndAsked() const { return endAsked_; }

    // ---- Help, links and title ----
    void cmdHelp_Click();
    void lblEMail_Click();
    void lblWWW_Click();
    // Paints the engraved title into the box at the top of the window.
    void Form_Paint(platform::PaintSurface& target);

    // ---- File list ----
    void cmdOpen_Click();
    void cmdDeleteFile_Click();
    void cmdClearList_Click();
    // Adds one chosen file as the add button does after its dialog.
    void AddChosenFile(const std::string& chosenPath);
    // Files chosen outside the dialog (dropped on the lists, named on the command line, handed
    // over by a later start) are taken while the window is loaded, the add button is enabled
    // and no job is under way.
    bool AcceptsChosenFiles() const;
    // Adds such files one by one, in order, each as the add button adds a chosen file. Files
    // that come during a job, or while the list is being changed (a message box or the dialog
    // of a change may be open), wait for their turn: they are added once that is done, or when
    // the job ends. Files still waiting when the window goes are not added.
    void AddChosenFiles(const std::vector<std::string>& paths);
    // Keeps a record on disk of every cleaned name, so that no name is lost in a crash.
    void UseNameJournal(NameJournal* journal) { keeper_.UseJournal(journal); }
    // Gives back the names that an instance which did not end cleanly left behind.
    void RecoverNames();
    // Whether a change of the list or of the names on disk is under way; another waits for it.
    bool ChangeUnderWay() const { return keeper_.ChangeUnderWay(); }

    // ---- Encoding job ----
private:
    // Declared before the view of it below.
    JobState jobState_ = JobState::Idle;

public:
    // Asked for by Abort, withdrawn by Go; the run stops after the chunk during which it was
    // asked for.
    AbortRequest AbortRequested{jobState_};
    void cmdGo_Click();
    void cmdAbort_Click();
    // The job tick: the job percentage, and the end of the job.
    void tmrTotal_Timer();
    // Go is still running, or its runs are done and the job tick has not yet ended the job.
    bool JobActive() const { return jobState_ != JobState::Idle; }

    // What a job did, for the desktop around the window.
    struct JobOutcome {
        // The MP3 files its runs finished.
        int mp3Files = 0;
        bool aborted = false;
        // A file could not be encoded, or a name could not be given back.
        bool troubles = false;
    };
    // Raised when Go starts a job, and once when the job ends: done, or aborted.
    forms::Event<> JobStarted;
    forms::Event<const JobOutcome&> JobEnded;

private:
    // What a job needs to give names back after an abort, once the table has been emptied.
    struct JobEntry {
        std::string filePath;
        std::string chosenPath;
        std::string mp3Path;
        bool renamed = false;
        // Its run finished the MP3 file: only then does the file take the chosen name.
        bool mp3Committed = false;
    };
    // Runs a job. After an abort the names come back; then the program leaves, or the job that
    // Go asked for meanwhile waits its turn, as an end or a job asked for during the run wants.
    void RunJobs();
    void RunJob();
    void EndJob();
    // After an abort once the runs are done: their last files are taken, and the names come back.
    void FinishAbortAfterRuns();
    void ResetAfterJob();
    void RestoreNamesAfterAbort();
    using NameNotGiven = NameKeeper::NameNotGiven;
    // Gives a renamed entry's WAV file (when `wavToo`) and its MP3 file the chosen names,
    // never over an existing file; gives up after a few failed attempts.
    std::vector<NameNotGiven> GiveChosenNames(const JobEntry& entry, bool wavToo, bool pumpEvents);

    // Moves the job state on for `event`; false, and nothing changes, when the state refuses it.
    bool Advance(JobEvent event);
    std::vector<JobEntry> jobEntries_;
    JobOutcome jobOutcome_;

public:
    // ---- Encoding run ----
    // Encodes the listed WAV file at `path` into the entry's MP3 file. Reports its failures in a
    // message box and returns normally; processes pending events twice between chunks.
    void EncodeFile(const std::string& path);
    BE_CONFIG EncoderConfig{};
    // The sizes of the stream started last.
    std::uint32_t ChunkSamples = 0;
    std::uint32_t Mp3BufferSize = 0;
    // The encoder's result last written.
    std::int32_t EncoderResult = 0;

private:
    // Runs the files at `paths`, a job's in table order: as many at once as the workers have
    // lanes, each reported in that order.
    void EncodeFiles(const std::vector<std::string>& paths);
    // The run's steps; a failure's reason is the message to show.
    void StartRun(RunLanes& lanes, const std::string& path, std::size_t entry);
    Status BeginRun(FileRun& run);
    void StepRun(RunLanes& lanes, RunLanes::Slot& slot);
    void EndRun(RunLanes::Slot& slot);
    // The entry shown when the runs were aborted; the whole table for a job whose runs were done.
    // As far as the user can see, the runs of the entries after it never started: they leave no
    // MP3 file behind.
    int reachedAtAbort_ = kTableSize;
    // Fills EncoderConfig from the options.
    void ConfigureEncoder(const WavFormat& format);
    // Takes the MP3 files that are durable now as the job's, and says which could not be made
    // so; with `waitForAll`, waits for every finished file's sync. A job's last ones are taken when
    // it ends, or when its names come back after an abort.
    void SettleFinishedOutputs(bool waitForAll);
    FinishedOutputs finishedOutputs_;

public:
    // ---- Progress and clocks ----
    // Per entry, the expected ratio of the WAV length to the MP3 length, set when a job starts;
    // 0 when the table has none.
    std::array<double, kTableSize> SizeRatios{};
    // The entry the "Partial" displays follow; past the last entry once the list is done.
    std::int16_t ShownEntry = 0;
    // Element 0 for the job, element 1 for the shown file.
    std::array<platform::DateTime, 2> StartTimes{};
    std::array<platform::DateTime, 2> ClockTimes{};
    std::array<std::string, 2> ElapsedTexts;
    std::array<std::int32_t, 2> ElapsedSeconds{};
    std::array<std::int32_t, 2> ElapsedMinutes{};
    std::array<bool, 2> SecondsSeen{};
    // The clock tick: elapsed and estimated times.
    void Timer1_Timer();
    // The progress tick: the file percentage, the shown entry, the minute counting.
    void tmrProgress_Timer();
    // Keeps the file estimate's hours from exceeding the job estimate's.
    void lblTimpEstimatPartial_Change();
    // Writes a percentage from 0 to kMaxBarPercent to the job bar or the file bar.
    void ShowPercent(bool isJob, std::int32_t percent);

private:
    // Both bars "0%" with width 0, and the clock state as at start-up.
    void ResetProgress();
    // The file percentage of an entry from 1 to FileCount; nothing when nothing can be expected.
    std::optional<std::int32_t> FilePercent(int entry) const;

    void CreateControls();
    void ConnectHandlers();
    void Register(forms::Control& control);
    void ShowError(const std::string& text);
    // Gives the listed files their names back and unloads the window.
    void LeaveProgram();
    // Removes the entry in that row of the list, its file with its chosen name back.
    void RemoveEntry(int row);
    // Empties the list, every listed file with its chosen name back.
    void ClearList();
    // Gives every listed file its chosen name back; failures leave a file as it is.
    void RestoreChosenNames();
    // A chosen file as the list takes it.
    struct ChosenFile {
        std::string chosenPath;
        std::string cleanedPath;
        std::string chosenName;
        platform::FileIdentity identity;

        bool Renamed() const { return cleanedPath != chosenPath; }
    };
    // The file, when it may be added: not listed yet, a file that can be read, and an MP3 name of
    // its own (whether the table has room is for the caller). Where `sayWhyNot`, says why not,
    // except for a file listed already.
    std::optional<ChosenFile> CheckChosenFile(const std::string& chosenPath, bool sayWhyNot);
    // The waiting files at the front that take a cleaned name and that nothing keeps from the
    // list, recorded in one rewrite of the journal, renamed and added; false when fewer than two
    // are.
    bool AddRenamedTogether();
    // Lists a checked file once its rename, where it has one, is `cleaned`; says why not.
    void ListChosenFile(const ChosenFile& file, const Status& cleaned);
    // Says what a recovery could not put in order.
    void TellRecovery(const NameJournal::RecoveryReport& report);
    // Says which files keep the names they have, and which records could not be dropped;
    // nothing when all is in order.
    void TellNamesNotGiven(const std::vector<NameNotGiven>& notGiven);
    // Adds the waiting files in turn, unless a change is under way or the window takes no files.
    void AddWaitingFiles();
    std::deque<std::string> waitingFiles_;
    // Runs `change` of the list as the only one under way: at once, or after the one under way.
    // Nothing queued runs once the window has gone.
    void ChangeList(std::function<void()> change);
    // Leaves as an end from outside asks: a running job is aborted first.
    void LeaveWhenAsked();

    platform::Platform platform_;
    std::vector<forms::Control*> controls_;
    forms::Control* activeControl_ = nullptr;
    NameKeeper keeper_;
    bool loaded_ = false;
    bool endAsked_ = false;
};

} // namespace tarn
