#include "journal/RunOutput.h"

#include "journal/SettleRecord.h"
#include "platform/FileOps.h"

#include <cerrno>
#include <chrono>

namespace tarn {

namespace {

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

RunOutput::RunOutput(std::string path, std::string finalPath, NameJournal* journal)
    : path_(std::move(path)), finalPath_(std::move(finalPath)), journal_(journal) {}

RunOutput::~RunOutput() {
    if (!settled_) {
        static_cast<void>(Abandon());
    }
}

Status RunOutput::Abandon() {
    settled_ = true;
    // Its contents go with it.
    if (file_.IsOpen()) {
        file_.CloseUnsynced();
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

Status RunOutput::JournalRefusal(const Status& journalResult) const {
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
        if (Status recorded = JournalRefusal(
                journal_->Record({path_, finalPath_, NameJournal::Kind::OutputStarted}));
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
    const Result<platform::FileSystemTraits> traits = platform::TraitsOf(file_.FileHandle());
    if (!traits) {
        return traits.Outcome();
    }
    syncsAsAWhole_ = traits->syncsAsAWhole;
    if (traits->numbersFilesPerMount) {
        identity_.inode = platform::kKnownByPath;
        knownByPath_ = true;
    }
    return RecordStarted(0);
}

Status RunOutput::RecordStarted(std::int64_t bytes) {
    if (journal_ == nullptr) {
        return {};
    }
    NameJournal::Entry entry{path_, finalPath_, NameJournal::Kind::OutputStarted, identity_};
    if (knownByPath_) {
        // Where its number means nothing at the next mount, the file is known by how big it may
        // be and when it was written: a file made later under its name is not removed.
        entry.size = written_ + bytes + kStartedSlackBytes;
        entry.modified = NowNs();
    }
    Status recorded = JournalRefusal(journal_->Record(entry));
    if (recorded) {
        recordedSize_ = entry.size;
        recordedAt_ = entry.modified;
    }
    return recorded;
}

Status RunOutput::Write(const void* bytes, std::uint32_t count) {
    if (knownByPath_) {
        if (written_ + count > recordedSize_ || NowNs() > recordedAt_ + kStartedWindowNs) {
            if (Status recorded = RecordStarted(count); !recorded) {
                return recorded;
            }
        }
    }
    static_cast<void>(file_.WriteBytes(bytes, count));
    written_ += file_.BytesTransferred();
    return file_.LastStatus();
}

Status RunOutput::CloseSynced() {
    file_.CloseUnsynced();
    return file_.LastStatus();
}

} // namespace tarn
