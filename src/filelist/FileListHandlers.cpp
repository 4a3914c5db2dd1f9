// The file list: adding, removing and clearing entries, with the renames on disk.
#include "filelist/AddRefusals.h"
#include "filelist/FileNames.h"
#include "filelist/NotConnectedText.h"
#include "filelist/WavProbe.h"
#include "filelist/modCommonDialog.h"
#include "platform/FileOps.h"
#include "shell/AppInfo.h"
#include "shell/frmMain.h"
#include "shell/modGeneral.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <utility>

namespace tarn {

namespace {

std::string ProbeRefusalText(ProbeOutcome outcome, const std::string& path) {
    switch (outcome) {
    case ProbeOutcome::BadSampleRate:
        return "The Sample Rate must be 44.1 or 48 kHz.";
    case ProbeOutcome::BadBitsPerSample:
        return "The Bit Rate must be 8 or 16-bit.";
    case ProbeOutcome::TooShort:
        return "The file is too short to be a WAV file:\n" + path;
    case ProbeOutcome::Unreadable:
    case ProbeOutcome::Accepted:
        break;
    }
    return "The file cannot be read:\n" + path;
}

} // namespace

void frmMain::cmdOpen_Click() {
    {
        const FilesWait wait(fileHolds_);
        const std::string chosen =
            ShowOpenDialog(platform_.openDialog, "Choose the file which will be encoded:", "*.wav",
                           "Wave Files", "*.wav", "", "");
        if (!chosen.empty()) {
            AddChosenFile(chosen);
        }
    }
    AddWaitingFiles();
}

std::optional<frmMain::ChosenFile> frmMain::CheckChosenFile(const std::string& chosenPath,
                                                            bool sayWhyNot) {
    const auto refuse = [&](const std::string& why) {
        if (sayWhyNot) {
            ShowError(why);
        }
        return std::nullopt;
    };
    if (const std::string refusal = PathRefusal(chosenPath); !refusal.empty()) {
        return refuse(refusal);
    }
    // Chosen again by the name it had: it is listed, though nothing has that name now.
    for (int n = 1; n <= FileCount; ++n) {
        if (ChosenPaths[n] == chosenPath) {
            return std::nullopt;
        }
    }
    // A file counts as listed when it is the same file on disk as a listed one, whichever
    // name it was chosen by.
    const Result<platform::FileInfo> chosen = platform::Inspect(chosenPath);
    if (!chosen) {
        return refuse("The file cannot be read:\n" + chosenPath + "\n" + chosen.Outcome().Reason() +
                      ".");
    }
    for (int n = 1; n <= FileCount; ++n) {
        const Result<platform::FileInfo> listed = platform::Inspect(FilePaths[n]);
        if (listed && listed->identity == chosen->identity) {
            return std::nullopt;
        }
    }
    // A folder would be renamed, and reading a named pipe would never return.
    if (!chosen->regular) {
        return refuse("Only files can be added to the list:\n" + chosenPath);
    }
    const auto [folder, chosenName] = SplitPath(chosenPath);
    ChosenFile file{chosenPath, folder + CleanFileName(chosenName), chosenName, chosen->identity};
    // Go deletes the old file at the MP3 path first: that must never be the source, whether by
    // the same name or by a name the file system takes for it ("take.mp3" for "take.MP3" where
    // letter case does not count).
    if (ChangeExtension(file.cleanedPath, "mp3") == file.cleanedPath ||
        NameTheSameFile(chosenPath, ChangeExtension(chosenPath, "mp3"))) {
        return refuse("The file cannot be added: its MP3 file would take its name and replace "
                      "it:\n" +
                      chosenPath);
    }
    return file;
}

void frmMain::AddChosenFile(const std::string& chosenPath) {
    const std::optional<ChosenFile> file = CheckChosenFile(chosenPath, true);
    if (!file) {
        return;
    }
    if (FileCount >= kMaxEntries) {
        ShowError(ListFullText({chosenPath}));
        return;
    }
    Status cleaned;
    if (file->Renamed()) {
        // A file that stays read-only is refused by the run, which says so.
        static_cast<void>(platform::SetAttributesNormal(chosenPath));
        cleaned = RenameToCleaned(chosenPath, file->cleanedPath);
    }
    ListChosenFile(*file, cleaned);
}

bool frmMain::AddRenamedTogether() {
    std::vector<ChosenFile> together;
    for (const std::string& path : waitingFiles_) {
        if (FileCount + std::ssize(together) >= kMaxEntries) {
            break;
        }
        // The first file that has a word to say, or that keeps its name, is added on its own.
        const std::optional<ChosenFile> file = CheckChosenFile(path, false);
        if (!file || !file->Renamed() ||
            std::ranges::any_of(together, [&](const ChosenFile& other) {
                return other.identity == file->identity || other.cleanedPath == file->cleanedPath;
            })) {
            break;
        }
        // Known to be free before anything is recorded, as for a file added alone.
        if (const Result<bool> taken = platform::Exists(file->cleanedPath); !taken || *taken) {
            break;
        }
        together.push_back(*file);
    }
    if (together.size() < 2) {
        return false;
    }
    waitingFiles_.erase(waitingFiles_.begin(), waitingFiles_.begin() + std::ssize(together));
    std::vector<NameJournal::Entry> records;
    records.reserve(together.size());
    for (const ChosenFile& file : together) {
        records.push_back({file.cleanedPath, file.chosenPath, NameJournal::Kind::Renamed});
    }
    Status recorded;
    if (journal_ != nullptr) {
        recorded = NameNotRecorded(journal_->Update(std::move(records), {}));
    }
    std::vector<Status> cleaned;
    cleaned.reserve(together.size());
    for (const ChosenFile& file : together) {
        static_cast<void>(platform::SetAttributesNormal(file.chosenPath));
        cleaned.push_back(recorded ? RenameRecorded(file.chosenPath, file.cleanedPath) : recorded);
    }
    for (std::size_t i = 0; i < together.size(); ++i) {
        ListChosenFile(together[i], cleaned[i]);
    }
    return true;
}

void frmMain::ListChosenFile(const ChosenFile& file, const Status& cleaned) {
    const std::string& chosenPath = file.chosenPath;
    const std::string& cleanedPath = file.cleanedPath;
    const bool renamed = file.Renamed();
    if (!cleaned) {
        ShowError("The file could not be renamed to " + SplitPath(cleanedPath).fileName + ":\n" +
                  cleaned.Reason() + ".\nIt was not added to the list.");
        TellNamesNotGiven({});
        return;
    }
    const auto giveNameBack = [&] {
        if (renamed) {
            std::vector<NameNotGiven> notGiven;
            GiveNameBack(cleanedPath, chosenPath, notGiven);
            TellNamesNotGiven(notGiven);
        }
    };

    const ProbeResult probe = ProbeWavHeader(cleanedPath);
    if (probe.outcome != ProbeOutcome::Accepted) {
        ShowError(ProbeRefusalText(probe.outcome, chosenPath));
        giveNameBack();
        return;
    }
    const auto length = platform::FileLength(cleanedPath);
    if (!length) {
        ShowError("The size of the file could not be read:\n" + chosenPath);
        giveNameBack();
        return;
    }

    ++FileCount;
    const int n = FileCount;
    FilePaths[n] = cleanedPath;
    ChosenPaths[n] = chosenPath;
    FileRenamed[n] = renamed;
    SampleRates[n] = probe.sampleRate;
    BitsPerSample[n] = probe.bitsPerSample;
    Channels[n] = probe.channels;

    cmdClearList.SetEnabled(true);
    cmdDeleteFile.SetEnabled(true);
    cmdGo.SetEnabled(true);
    lstOpenFileSize.AddItem(FormatFileSize(*length) + " bytes");
    Mp3Paths[n] = ChangeExtension(FilePaths[n], "mp3");
    lstOpenFileName.AddItem(chkFullPath.Value() == forms::Checked ? chosenPath : file.chosenName);
}

bool frmMain::AcceptsChosenFiles() const {
    return loaded_ && cmdOpen.Enabled() && !JobActive();
}

void frmMain::AddChosenFiles(const std::vector<std::string>& paths) {
    // No more wait than the list could ever take; the rest are told at once, in one message.
    const std::ptrdiff_t room =
        std::max<std::ptrdiff_t>(kMaxEntries - std::ssize(waitingFiles_), 0);
    const std::ptrdiff_t taken = std::min(room, std::ssize(paths));
    waitingFiles_.insert(waitingFiles_.end(), paths.begin(), paths.begin() + taken);
    if (taken < std::ssize(paths)) {
        ShowError(ListFullText({paths.begin() + taken, paths.end()}));
    }
    AddWaitingFiles();
}

void frmMain::AddWaitingFiles() {
    // Each add holds the others: a file that comes while its message box is open waits behind
    // the files that came before it.
    while (fileHolds_ == 0 && !waitingFiles_.empty() && AcceptsChosenFiles()) {
        const FilesWait wait(fileHolds_);
        if (AddRenamedTogether()) {
            continue;
        }
        // A full list refuses every waiting file that it would take, in one message.
        if (FileCount >= kMaxEntries) {
            std::vector<std::string> refused;
            while (!waitingFiles_.empty()) {
                std::string path = std::move(waitingFiles_.front());
                waitingFiles_.pop_front();
                if (CheckChosenFile(path, true)) {
                    refused.push_back(std::move(path));
                }
            }
            if (!refused.empty()) {
                ShowError(ListFullText(refused));
            }
            continue;
        }
        const std::string path = std::move(waitingFiles_.front());
        waitingFiles_.pop_front();
        AddChosenFile(path);
    }
}

void frmMain::cmdDeleteFile_Click() {
    const int row = lstOpenFileName.ListIndex();
    if (row < 0) {
        return;
    }
    {
        const FilesWait wait(fileHolds_);
        RemoveEntry(row);
    }
    AddWaitingFiles();
}

void frmMain::RemoveEntry(int row) {
    const int n = row + 1;
    std::vector<NameNotGiven> notGiven;
    if (FileRenamed[n]) {
        GiveNameBack(FilePaths[n], ChosenPaths[n], notGiven);
    }
    for (int k = n; k < FileCount; ++k) {
        FilePaths[k] = FilePaths[k + 1];
        ChosenPaths[k] = ChosenPaths[k + 1];
        FileRenamed[k] = FileRenamed[k + 1];
        Mp3Paths[k] = Mp3Paths[k + 1];
        SampleRates[k] = SampleRates[k + 1];
        BitsPerSample[k] = BitsPerSample[k + 1];
        Channels[k] = Channels[k + 1];
    }
    --FileCount;
    lstOpenFileName.RemoveItem(row);
    lstOpenFileSize.RemoveItem(row);
    if (lstOpenFileName.ListCount() == 0) {
        cmdClearList_Click();
    }
    TellNamesNotGiven(notGiven);
}

void frmMain::cmdClearList_Click() {
    {
        // The table is emptied only after the message about names not given back.
        const FilesWait wait(fileHolds_);
        lstOpenFileName.Clear();
        lstOpenFileSize.Clear();
        RestoreChosenNames();
        FileCount = 0;
        cmdClearList.SetEnabled(false);
        cmdGo.SetEnabled(false);
        cmdDeleteFile.SetEnabled(false);
    }
    AddWaitingFiles();
}

void frmMain::RestoreChosenNames() {
    std::vector<NameNotGiven> notGiven;
    for (int n = 1; n <= FileCount; ++n) {
        if (FileRenamed[n]) {
            GiveNameBack(FilePaths[n], ChosenPaths[n], notGiven);
        }
    }
    TellNamesNotGiven(notGiven);
}

Status frmMain::RenameToCleaned(const std::string& chosenPath, const std::string& cleanedPath) {
    // The name is known to be free before anything is recorded: a record must never lead the
    // next start to another file that had the cleaned name.
    const Result<bool> taken = platform::Exists(cleanedPath);
    if (!taken || *taken) {
        return taken ? Status::Failure(EEXIST) : taken.Outcome();
    }
    // The record is durable before the rename: should the program die between the two, the next
    // start finds the file under its chosen name and has nothing to do.
    if (journal_ != nullptr) {
        if (Status recorded = NameNotRecorded(journal_->Record(cleanedPath, chosenPath));
            !recorded) {
            return recorded;
        }
    }
    return RenameRecorded(chosenPath, cleanedPath);
}

Status frmMain::NameNotRecorded(const Status& recorded) const {
    return recorded.Explained("Its name cannot be recorded in " + journal_->Path() + ": " +
                              recorded.Reason());
}

Status frmMain::RenameRecorded(const std::string& chosenPath, const std::string& cleanedPath) {
    Status renamed = platform::RenameNoReplace(chosenPath, cleanedPath, journal_);
    if (!renamed) {
        ForgetInJournal(cleanedPath);
    }
    return renamed;
}

void frmMain::GiveNameBack(const std::string& currentPath, const std::string& chosenPath,
                           std::vector<NameNotGiven>& notGiven) {
    SettleName(platform::RenameNoReplace(currentPath, chosenPath, journal_), currentPath,
               chosenPath, notGiven);
}

void frmMain::SettleName(const Status& renamed, const std::string& from, const std::string& to,
                         std::vector<NameNotGiven>& notGiven) {
    if (renamed) {
        ForgetOnceDurable(from, to);
        return;
    }
    if (renamed.Error() != ENOENT) {
        // Its record stays: the next start tries again.
        notGiven.push_back({from, to, renamed.Reason()});
        return;
    }
    // Not there any more: deleted, where its folder is there; else on a stick, card or share
    // that is not connected, and its record stays for the start that finds it back.
    const Result<bool> there = platform::PlaceIsThere(from, RecordedDevice(from));
    if (!there) {
        notGiven.push_back({from, to, there.Outcome().Reason()});
    } else if (*there) {
        ForgetInJournal(from);
    } else {
        notGiven.push_back({from, to, renamed.Reason(), true});
    }
}

std::uint64_t frmMain::RecordedDevice(const std::string& path) const {
    const auto entries =
        journal_ != nullptr ? journal_->Entries() : std::vector<NameJournal::Entry>();
    if (entries) {
        for (const NameJournal::Entry& entry : *entries) {
            if (entry.currentPath == path && entry.kind != NameJournal::Kind::Placeholder) {
                return entry.identity.device;
            }
        }
    }
    return 0;
}

void frmMain::TellNamesNotGiven(const std::vector<NameNotGiven>& notGiven) {
    DropSettledRecords();
    std::vector<NameJournal::Entry> away;
    std::string text;
    for (const NameNotGiven& file : notGiven) {
        if (file.notConnected) {
            away.push_back({file.currentPath, file.intendedPath,
                            file.currentPath.ends_with(".mp3") ? NameJournal::Kind::OutputFinished
                                                               : NameJournal::Kind::Renamed});
        } else {
            text += "\n" + file.currentPath + "\n    to " + SplitPath(file.intendedPath).fileName +
                    ": " + file.reason + ".";
        }
    }
    if (!text.empty()) {
        platform_.notifier.ShowMessage(
            {"These files keep the names they have, since they could not be renamed:" + text +
                 "\nThe program tries again when it next starts.",
             platform::MessageIcon::Exclamation, kAppTitle});
    }
    if (!away.empty()) {
        platform_.notifier.ShowMessage(
            {NotConnectedText(away), platform::MessageIcon::Exclamation, kAppTitle});
    }
    if (journal_ != nullptr) {
        std::ranges::move(journal_->TakeNotesNotDropped(), std::back_inserter(recordsNotDropped_));
    }
    if (!recordsNotDropped_.empty()) {
        text = "These records of renamed files could not be removed, and the next start acts on "
               "them:\n" +
               journal_->Path();
        for (const std::string& record : recordsNotDropped_) {
            text += "\n" + record + ".";
        }
        recordsNotDropped_.clear();
        platform_.notifier.ShowMessage({text, platform::MessageIcon::Exclamation, kAppTitle});
    }
}

void frmMain::ForgetOnceDurable(const std::string& oldPath, const std::string& newPath) {
    namesGiven_.emplace_back(oldPath, newPath);
}

void frmMain::ForgetInJournal(const std::string& currentPath) {
    recordsToDrop_.push_back(currentPath);
}

void frmMain::DropSettledRecords() {
    const auto given = std::exchange(namesGiven_, {});
    std::vector<std::string> dropped = std::exchange(recordsToDrop_, {});
    if (journal_ == nullptr) {
        return;
    }
    // Until a rename has reached the disk, a power cut could undo it: the record that would redo
    // it goes only then. A record whose folder cannot be synced stays, for the next start.
    std::map<std::string, bool> folderSynced;
    for (const auto& [from, to] : given) {
        const std::string folder = SplitPath(to).folder;
        if (!folderSynced.contains(folder)) {
            folderSynced[folder] = platform::SyncFolderOf(to).Ok();
        }
        if (folderSynced[folder]) {
            dropped.push_back(from);
        }
    }
    // A record that cannot be forgotten stays: mostly it leads the next start to a file in order
    // already; at worst that start gives back a name meant to stay changed.
    if (const Status forgotten = journal_->Update({}, dropped); !forgotten) {
        for (const std::string& path : dropped) {
            recordsNotDropped_.push_back(path + ": " + forgotten.Reason());
        }
    }
}

void frmMain::RecoverNames() {
    if (journal_ == nullptr) {
        return;
    }
    // Files handed over meanwhile are added once the names are in order.
    const FilesWait wait(fileHolds_);
    const NameJournal::RecoveryReport report = journal_->Recover();
    if (!report.journal) {
        ShowError("The record of renamed files cannot be read or written:\n" + journal_->Path() +
                  "\n" + report.journal.Reason() +
                  ".\nNothing in it is lost: the program tries again when it next starts.");
    }
    if (!report.notConnected.empty()) {
        platform_.notifier.ShowMessage(
            {NotConnectedText(report.notConnected), platform::MessageIcon::Exclamation, kAppTitle});
    }
    TellNamesNotGiven({});
    if (report.leftAlone.empty()) {
        return;
    }
    std::string text = "These files could not be put back in order, and the program tries again "
                       "when it next starts:";
    for (const auto& [entry, reason] : report.leftAlone) {
        text += "\n" + entry.currentPath;
        switch (entry.kind) {
        case NameJournal::Kind::Renamed:
            text += " (was " + entry.chosenPath + ")";
            break;
        case NameJournal::Kind::OutputFinished:
            text += " (to be " + entry.chosenPath + ")";
            break;
        case NameJournal::Kind::OutputStarted:
            text += " (cut short, to be removed)";
            break;
        case NameJournal::Kind::Placeholder:
            text += " (empty, to be removed)";
            break;
        }
        text += ": " + reason + ".";
    }
    platform_.notifier.ShowMessage({text, platform::MessageIcon::Exclamation, kAppTitle});
}

} // namespace tarn
