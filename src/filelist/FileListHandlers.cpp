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
#include <optional>
#include <utility>

namespace tarn {

namespace {

std::string ProbeRefusalText(const ProbeResult& probe, const std::string& path) {
    switch (probe.outcome) {
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
    std::string text = "The file cannot be read:\n" + path;
    if (!probe.failure) {
        text.append("\n").append(probe.failure.Reason()).append(".");
    }
    return text;
}

} // namespace

void frmMain::cmdOpen_Click() {
    // The dialog is part of the change: what comes while it is open waits for the add.
    ChangeList([this] {
        const std::string chosen =
            ShowOpenDialog(platform_.openDialog, "Choose the file which will be encoded:", "*.wav",
                           "Wave Files", "*.wav", "", "");
        if (!chosen.empty()) {
            AddChosenFile(chosen);
        }
    });
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
        cleaned = keeper_.RenameToCleaned(chosenPath, file->cleanedPath);
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
    std::vector<std::pair<std::string, std::string>> renames;
    renames.reserve(together.size());
    for (const ChosenFile& file : together) {
        renames.emplace_back(file.chosenPath, file.cleanedPath);
    }
    const Status recorded = keeper_.RecordRenames(renames);
    std::vector<Status> cleaned;
    cleaned.reserve(together.size());
    for (const ChosenFile& file : together) {
        static_cast<void>(platform::SetAttributesNormal(file.chosenPath));
        cleaned.push_back(recorded ? keeper_.RenameRecorded(file.chosenPath, file.cleanedPath)
                                   : recorded);
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
            keeper_.GiveNameBack(cleanedPath, chosenPath, notGiven);
            TellNamesNotGiven(notGiven);
        }
    };

    const ProbeResult probe = ProbeWavHeader(cleanedPath);
    if (probe.outcome != ProbeOutcome::Accepted) {
        ShowError(ProbeRefusalText(probe, chosenPath));
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
    // Each add is a change of its own: a file that comes while its message box is open waits
    // behind the files that came before it.
    while (!keeper_.ChangeUnderWay() && !waitingFiles_.empty() && AcceptsChosenFiles()) {
        keeper_.Change([this] {
            if (AddRenamedTogether()) {
                return;
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
                return;
            }
            const std::string path = std::move(waitingFiles_.front());
            waitingFiles_.pop_front();
            AddChosenFile(path);
        });
    }
}

void frmMain::ChangeList(std::function<void()> change) {
    keeper_.Change([this, change = std::move(change)] {
        if (loaded_) {
            change();
        }
    });
}

void frmMain::cmdDeleteFile_Click() {
    const int row = lstOpenFileName.ListIndex();
    if (row < 0 || row >= FileCount) {
        return;
    }
    // Behind a change under way, the rows may have moved: the entry is found by its file.
    ChangeList([this, path = FilePaths[static_cast<std::size_t>(row) + 1]] {
        for (int n = 1; n <= FileCount; ++n) {
            if (FilePaths[static_cast<std::size_t>(n)] == path) {
                RemoveEntry(n - 1);
                return;
            }
        }
    });
}

void frmMain::RemoveEntry(int row) {
    const int n = row + 1;
    std::vector<NameNotGiven> notGiven;
    if (FileRenamed[n]) {
        keeper_.GiveNameBack(FilePaths[n], ChosenPaths[n], notGiven);
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
        ClearList();
    }
    TellNamesNotGiven(notGiven);
}

void frmMain::cmdClearList_Click() {
    ChangeList([this] { ClearList(); });
}

void frmMain::ClearList() {
    // The table is emptied only after the message about names not given back.
    lstOpenFileName.Clear();
    lstOpenFileSize.Clear();
    RestoreChosenNames();
    FileCount = 0;
    cmdClearList.SetEnabled(false);
    cmdGo.SetEnabled(false);
    cmdDeleteFile.SetEnabled(false);
}

void frmMain::RestoreChosenNames() {
    std::vector<NameNotGiven> notGiven;
    for (int n = 1; n <= FileCount; ++n) {
        if (FileRenamed[n]) {
            keeper_.GiveNameBack(FilePaths[n], ChosenPaths[n], notGiven);
        }
    }
    TellNamesNotGiven(notGiven);
}

void frmMain::TellNamesNotGiven(const std::vector<NameNotGiven>& notGiven) {
    keeper_.DropSettledRecords();
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
    if (const std::vector<std::string> notDropped = keeper_.TakeRecordsNotDropped();
        !notDropped.empty()) {
        text = "These records of renamed files could not be removed, and the next start acts on "
               "them:\n" +
               keeper_.Journal()->Path();
        for (const std::string& record : notDropped) {
            text += "\n" + record + ".";
        }
        platform_.notifier.ShowMessage({text, platform::MessageIcon::Exclamation, kAppTitle});
    }
}

void frmMain::RecoverNames() {
    if (keeper_.Journal() == nullptr) {
        return;
    }
    // Files handed over meanwhile are added once the names are in order.
    ChangeList([this] { TellRecovery(keeper_.Recover()); });
}

void frmMain::TellRecovery(const NameJournal::RecoveryReport& report) {
    if (!report.journal) {
        ShowError("The record of renamed files cannot be read or written:\n" +
                  keeper_.Journal()->Path() + "\n" + report.journal.Reason() +
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
        text += "\n" + entry.currentPath + " (" +
                (entry.kind == NameJournal::Kind::Renamed
                     ? "was " + entry.chosenPath
                     : RecordKindText(entry.kind, entry.chosenPath)) +
                "): " + reason + ".";
    }
    platform_.notifier.ShowMessage({text, platform::MessageIcon::Exclamation, kAppTitle});
}

} // namespace tarn
