#include "encoding/RunOutput.h"

#include "filelist/NameJournal.h"
#include "platform/FileOps.h"

#include <cerrno>

namespace tarn {

RunOutput::RunOutput(std::string path, std::string finalPath, NameJournal* journal)
    : path_(std::move(path)), finalPath_(std::move(finalPath)), journal_(journal) {}

RunOutput::~RunOutput() {
    if (committed_) {
        return;
    }
    if (file_.IsOpen()) {
        file_.CloseFile();
    }
    // An open that failed may have made the file and removed it again. Until the removal is
    // durable, or when it failed, the file stays recorded: the next start removes it.
    if (opening_) {
        Status removed = ours_ ? platform::DeleteFile(path_) : Status();
        if (!(removed || removed.Error() == ENOENT) || !platform::SyncFolderOf(path_)) {
            return;
        }
    }
    if (recorded_) {
        static_cast<void>(journal_->Forget(path_));
    }
}

Status RunOutput::Note(Status journalResult) {
    if (!journalResult) {
        journalProblem_ = journal_->Path() + ": " + journalResult.Reason();
    }
    return journalResult;
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
        if (const Status recorded =
                Note(journal_->Record({path_, finalPath_, NameJournal::Kind::OutputStarted}));
            !recorded) {
            return recorded;
        }
        recorded_ = true;
    }
    opening_ = true;
    if (!file_.OpenFile(path_)) {
        return Status::FromErrno();
    }
    // Someone else's file may have come in the moment since the check: one with contents is
    // theirs. One that cannot be measured was made a moment ago, by this run.
    const std::optional<std::int64_t> length = platform::FileLength(path_);
    if (length && *length != 0) {
        file_.CloseFile();
        return Status::Failure(EEXIST);
    }
    ours_ = true;
    return length ? Status() : Status::FromErrno();
}

Status RunOutput::Write(const void* bytes, std::uint32_t count) {
    return file_.WriteBytes(bytes, count) ? Status() : Status::FromErrno();
}

Status RunOutput::Commit() {
    file_.CloseFile();
    if (file_.LastApiResult() == 0) {
        return Status::FromErrno();
    }
    if (const Status synced = platform::SyncFolderOf(path_); !synced) {
        return synced;
    }
    if (journal_ != nullptr) {
        const Status recorded =
            Note(finalPath_.empty()
                     ? journal_->Forget(path_)
                     : journal_->Record({path_, finalPath_, NameJournal::Kind::OutputFinished}));
        if (!recorded) {
            return recorded;
        }
    }
    committed_ = true;
    return {};
}

} // namespace tarn
