#pragma once

#include "common/Status.h"
#include "encoding/clsFileIo.h"
#include "journal/NameJournal.h"

#include <cstdint>
#include <string>

namespace tarn {

// The MP3 file of one encoding run. Until it is durable and recorded finished (after the run,
// with the files finished with it), it is the run's own to remove: whatever ends the run early
// removes it and its record through Abandon, or, on an exception, when this object goes. A file
// that was at the path before the run is never taken for the run's own.
class RunOutput {
public:
    // `finalPath` is the name the finished file takes at the end of the job; empty when it keeps
    // its own. Without a journal nothing is recorded.
    RunOutput(std::string path, std::string finalPath, NameJournal* journal);
    ~RunOutput();
    RunOutput(const RunOutput&) = delete;
    RunOutput& operator=(const RunOutput&) = delete;

    // Creates the file, recorded first, so that the next start removes it should the program
    // die before the run ends. Fails with EEXIST when a file has the name already.
    Status Open();
    Status Write(const void* bytes, std::uint32_t count);
    // Once the whole file is durable (made so by the sync of its group): closes it.
    Status CloseSynced();
    // The record that marks it finished; a file that keeps its own name needs none, and its
    // record goes.
    bool NeedsFinishedRecord() const { return !finalPath_.empty(); }
    NameJournal::Entry FinishedRecord() const {
        return {path_, finalPath_, NameJournal::Kind::OutputFinished, identity_};
    }
    // Recorded finished: from then on it is the job's.
    void Settle() { settled_ = true; }
    // A refusal of the journal, told as such.
    Status JournalRefusal(const Status& journalResult) const;
    // Removes the file of a run that ends early, and then its record; what could not be done
    // (the record then stays, for the next start, which removes only this file).
    Status Abandon();

    const std::string& Path() const { return path_; }
    int Descriptor() const { return file_.FileHandle(); }
    const platform::FileIdentity& Identity() const { return identity_; }
    // Whether a sync of its whole file system makes it durable.
    bool SyncsAsAWhole() const { return syncsAsAWhole_; }

private:
    // Records the file as being written, with room for `bytes` bytes more than it holds.
    Status RecordStarted(std::int64_t bytes);

    clsFileIo file_;
    std::string path_;
    std::string finalPath_;
    NameJournal* journal_;
    platform::FileIdentity identity_;
    bool recorded_ = false;
    bool opening_ = false;
    bool ours_ = false;
    bool syncsAsAWhole_ = true;
    // Its file system numbers files anew at each mount: its record tells its size and time.
    bool knownByPath_ = false;
    std::int64_t written_ = 0;
    std::int64_t recordedSize_ = 0;
    std::int64_t recordedAt_ = 0;
    // Recorded finished, or abandoned.
    bool settled_ = false;
};

} // namespace tarn
