#pragma once

#include "helpviewer/ChmArchive.h"
#include "platform/Descriptor.h"

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <unistd.h>

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
    ~ReaderProcess() = default;
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;

    // The end of the pipe the reader answers through; -1 when there is nothing to wait for.
    int Output() const { return output_.Get(); }
    // Takes what the reader has sent so far. The archive once its answer is whole, or once it
    // cannot be (the reader could not be started, died, was killed at its limit, or cut its
    // answer short); nothing while more may come.
    std::optional<ChmArchive> Receive();
    // Stops the reader, done or not; what it has not sent makes the file damaged.
    ChmArchive GiveUp();

private:
    // A started reader, killed and reaped when it goes: done or not, so that reaping it cannot
    // wait.
    class Child {
    public:
        explicit Child(pid_t pid = -1) : pid_(pid) {}
        ~Child();
        Child(Child&& other) noexcept;
        Child& operator=(Child&& other) noexcept;

        bool Started() const { return pid_ != -1; }

    private:
        pid_t pid_;
    };

    void Stop();

    std::string helpFile_;
    // What to show while there is no whole answer: the file is damaged unless known otherwise.
    Status outcome_;
    // Declared before the reader: the reader is stopped before its pipe is closed.
    platform::BasicDescriptor<::close> output_;
    Child reader_;
    std::string received_;
};

// Reads `helpFile` through `program`, waiting for the answer: for tests and the fuzzer, never
// for a window.
ChmArchive ReadArchive(const std::string& helpFile, const std::string& program);

} // namespace tarn::help
