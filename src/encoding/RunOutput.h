#pragma once

#include "common/Status.h"
#include "encoding/clsFileIo.h"

#include <cstdint>
#include <string>

namespace tarn {

class NameJournal;

// The MP3 file of one encoding run. Until the run commits it, it is the run's own to remove:
// whatever ends the run early removes it and its record through Abandon, or, on an exception,
// when this object goes. A file that was at the path before the run is never taken for the run's
// own.
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
    // Makes the whole file durable and records it finished; from then on it is the job's.
    Status Commit();
    // Removes the file of a run that ends early, and then its record; what could not be done
    // (the record then stays, for the next start, which removes only this file).
    Status Abandon();

    const std::string& Path() const { return path_; }

private:
    // A refusal of the journal, told as such.
    Status Note(const Status& journalResult);

    clsFileIo file_;
    std::string path_;
    std::string finalPath_;
    NameJournal* journal_;
    platform::FileIdentity identity_;
    bool recorded_ = false;
    bool opening_ = false;
    bool ours_ = false;
    // Committed, or abandoned.
    bool settled_ = false;
};

} // namespace tarn
