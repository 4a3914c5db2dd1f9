#include "encoding/RunOutput.h"

#include "filelist/NameJournal.h"
#include "platform/FileOps.h"

#include <cerrno>

namespace tarn {

RunOutput::RunOutput(std::string path, std::string finalPath, NameJournal* journal)
    : path_(std::move(path)), finalPath_(std::move(finalPath)), journal_(journal) {}

RunOutput::~RunOutput() {
    if (!settled_) {
        static_cast<void>(Abandon());
    }
}

Status RunOutput::Abandon() {
    settled_ = true;
    if (file_.IsOpen()) {
        file_.CloseFile();
    }
    // An open that failed may have made the file and removed it again. Until the removal is
    // durable, or when it failed, the file stays recorded: the next start removes it.
    if (opening_) {
        Status removed = ours_ ? platform::DeleteFile(path_) : Status();
        if (removed.Error() == ENOENT) {
            removed = {};
        }
        if (removed) {
            removed = platform::SyncFolderOf(path_);
        }
        if (!removed) {
            return removed.Explained("It cannot be removed: " + removed.Reason() + ".");
        }
    }
    if (recorded_) {
        const Status forgotten = journal_->Forget(path_);
        if (!forgotten) {
            return forgotten.Explained("Its record cannot be removed from " + journal_->Path() +
                                       ": " + forgotten.Reason() + ".");
        }
    }
    return {};
}

Status RunOutput::Note(const Status& journalResult) {
    return journalResult.Explained("Its record cannot be kept in " + journal_->Path() + ": " +
                                   journalResult.Reason() + ".");
}

Status RunOutput::Open() {
    // Go removed the old outputs: a file here now is another's (another entry of the job with
    // the same MP3 name, say), and writing over its start would leave a corrupt file.
    const Result<bool> taken = platform::Exists(path_);
    if (!taken) {
        return taken.Outcome();
    }
    if (*taken) {
        return Status::Failure(EEXIST);
    }
    if (journal_ != nullptr) {
        if (Status recorded =
                Note(journal_->Record({path_, finalPath_, NameJournal::Kind::OutputStarted}));
            !recorded) {
            return recorded;
        }
        recorded_ = true;
    }
    opening_ = true;
    if (!file_.OpenFile(path_)) {
        return file_.LastStatus();
    }
    // Another program's file may have come in the moment since the check: it is left as it is.
    if (!file_.Created()) {
        file_.CloseFile();
        return Status::Failure(EEXIST);
    }
    ours_ = true;
    // Known by its identity from now on: the next start removes only this file.
    identity_ = file_.Identity();
    const Result<bool> perMount = platform::NumbersFilesPerMount(file_.FileHandle());
    if (!perMount) {
        return perMount.Outcome();
    }
    if (*perMount) {
        identity_.inode = platform::kKnownByPath;
    }
    return journal_ != nullptr
               ? Note(journal_->Record(
                     {path_, finalPath_, NameJournal::Kind::OutputStarted, identity_}))
               : Status();
}

Status RunOutput::Write(const void* bytes, std::uint32_t count) {
    static_cast<void>(file_.WriteBytes(bytes, count));
    return file_.LastStatus();
}

Status RunOutput::Commit() {
    file_.CloseFile();
    if (Status closed = file_.LastStatus(); !closed) {
        return closed;
    }
    if (Status synced = platform::SyncFolderOf(path_); !synced) {
        return synced;
    }
    if (journal_ != nullptr) {
        Status recorded = Note(
            finalPath_.empty() ? journal_->Forget(path_)
                               : journal_->Record({path_, finalPath_,
                                                   NameJournal::Kind::OutputFinished, identity_}));
        if (!recorded) {
            return recorded;
        }
    }
    settled_ = true;
    return {};
}

} // namespace tarn
