#pragma once

#include "helpviewer/ChmArchive.h"

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>

namespace tarn::help {

// How long a reader may send nothing before it is given up on. The reader ends itself after a
// few seconds (ChmReader.h); this is only for one that cannot.
inline constexpr std::chrono::milliseconds kReaderPatience = std::chrono::seconds(10);

// The help reader program (ChmReader.h) that belongs to this program: beside its executable,
// as in the build tree, or else where an install puts it, ../libexec/tarnme seen from there.
std::string ReaderProgramPath();

// A help file being read by a reader program in a process of its own, started (not forked)
// with nothing of this program's state but its environment and working folder. Nothing here
// waits: the caller waits until Output() can be read, then calls Receive(), until that gives
// the archive.
class ReaderProcess {
public:
    // Starts `program` on `helpFile`, unless the file is plainly no help file.
    ReaderProcess(const std::string& program, const std::string& helpFile);
    // A reader still running is stopped.
    ~ReaderProcess();
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;

    // The end of the pipe the reader answers through; -1 when there is nothing to wait for.
    int Output() const { return output_; }
    // Takes what the reader has sent so far. The archive once its answer is whole, or once it
    // cannot be (the reader failed to start, died, was killed at its limit, or cut its answer
    // short); nothing while more may come.
    std::optional<ChmArchive> Receive();
    // Stops the reader, done or not; what it has not sent makes the file damaged.
    ChmArchive GiveUp();

private:
    void Stop();

    ArchiveProblem problem_;
    pid_t reader_ = -1;
    int output_ = -1;
    std::string received_;
};

// Reads `helpFile` through `program`, waiting for the answer: for tests and the fuzzer, never
// for a window.
ChmArchive ReadArchive(const std::string& helpFile, const std::string& program);

} // namespace tarn::help
