#include "helpviewer/ReaderProcess.h"

#include "helpviewer/ReaderMessage.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace tarn::help {

namespace {

constexpr const char* kReaderName = "tarnme-help-reader";
constexpr const char* kInstalledReaderFolder = "../libexec/tarnme";
constexpr std::size_t kLargestManual = std::size_t{128} << 20;
// What one Receive() takes: the window stays responsive while a large answer comes in.
constexpr std::size_t kReceivedAtOnce = 64 << 10;

// The reader starts with the default action for every signal and none blocked, whatever this
// program's threads have set up: its own time limit is a signal. It reads nothing from here,
// says nothing but its answer, and holds no other file of this program open (a lock, say),
// whoever opened it without O_CLOEXEC.
bool PrepareStart(posix_spawn_file_actions_t& actions, posix_spawnattr_t& attributes, int answer) {
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    return posix_spawn_file_actions_adddup2(&actions, answer, STDOUT_FILENO) == 0 &&
           posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) ==
               0 &&
           posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0) ==
               0 &&
           posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1) == 0 &&
           posix_spawnattr_setsigdefault(&attributes, &all) == 0 &&
           posix_spawnattr_setsigmask(&attributes, &none) == 0 &&
           posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK) ==
               0;
}

// The attributes of one start, released however it goes.
struct StartAttributes {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    bool actionsMade = posix_spawn_file_actions_init(&actions) == 0;
    bool attributesMade = posix_spawnattr_init(&attributes) == 0;

    StartAttributes() = default;
    StartAttributes(const StartAttributes&) = delete;
    StartAttributes& operator=(const StartAttributes&) = delete;
    ~StartAttributes() {
        if (attributesMade) {
            posix_spawnattr_destroy(&attributes);
        }
        if (actionsMade) {
            posix_spawn_file_actions_destroy(&actions);
        }
    }
};

// Starts `program` on `helpFile`, answering into `answer`; the error number when it cannot be
// started.
Result<pid_t> StartReader(const std::string& program, const std::string& helpFile, int answer) {
    StartAttributes start;
    std::string name = program;
    std::string file = helpFile;
    char* const arguments[] = {name.data(), file.data(), nullptr};
    if (!start.actionsMade || !start.attributesMade ||
        !PrepareStart(start.actions, start.attributes, answer)) {
        return Status::Failure(ENOMEM);
    }
    pid_t reader = -1;
    if (const int error = posix_spawn(&reader, program.c_str(), &start.actions, &start.attributes,
                                      arguments, environ);
        error != 0) {
        return Status::Failure(error);
    }
    return reader;
}

} // namespace

std::string ReaderProgramPath() {
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    if (error) {
        return {};
    }
    const std::filesystem::path beside = folder / kReaderName;
    if (std::filesystem::exists(beside, error)) {
        return beside.string();
    }
    return (folder / kInstalledReaderFolder / kReaderName).lexically_normal().string();
}

ReaderProcess::ReaderProcess(const std::string& program, const std::string& helpFile)
    : helpFile_(helpFile), outcome_(ProblemBeforeReading(helpFile)) {
    if (!outcome_) {
        return;
    }
    // Until a whole answer has come.
    outcome_ = DamagedFile(helpFile);
    int ends[] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return;
    }
    output_ = platform::BasicDescriptor<::close>(ends[0]);
    // The reader's end is the reader's alone once it has started.
    const platform::BasicDescriptor<::close> answer(ends[1]);
    const Result<pid_t> started = StartReader(program, helpFile, answer.Get());
    if (!started) {
        outcome_ = started.Outcome().Explained(
            "The help reader " + program + " could not be started: " + started.Outcome().Reason() +
            ".");
        Stop();
        return;
    }
    reader_ = Child(*started);
    // Only this end never waits: the reader writes into a pipe that blocks when full.
    if (fcntl(output_.Get(), F_SETFL, O_NONBLOCK) != 0) {
        Stop();
    }
}

ReaderProcess::Child::~Child() {
    if (pid_ != -1) {
        kill(pid_, SIGKILL);
        TEMP_FAILURE_RETRY(waitpid(pid_, nullptr, 0));
    }
}

ReaderProcess::Child::Child(Child&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}

ReaderProcess::Child& ReaderProcess::Child::operator=(Child&& other) noexcept {
    if (this != &other) {
        const Child stopped(std::exchange(pid_, -1));
        pid_ = std::exchange(other.pid_, -1);
    }
    return *this;
}

std::optional<ChmArchive> ReaderProcess::Receive() {
    if (!output_.Valid()) {
        return ChmArchive(outcome_);
    }
    const std::size_t had = received_.size();
    received_.resize(had + kReceivedAtOnce);
    const ssize_t got =
        TEMP_FAILURE_RETRY(read(output_.Get(), received_.data() + had, kReceivedAtOnce));
    received_.resize(had + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    if (got == -1 && errno == EAGAIN) {
        return std::nullopt;
    }
    if (got > 0 && received_.size() <= kLargestManual) {
        return std::nullopt;
    }
    // The end of the answer, a failed read, or more than a manual can hold.
    ChmArchive archive =
        got == 0 ? ArchiveFromMessage(received_, helpFile_) : ChmArchive(DamagedFile(helpFile_));
    Stop();
    return archive;
}

ChmArchive ReaderProcess::GiveUp() {
    Stop();
    return ChmArchive(outcome_);
}

void ReaderProcess::Stop() {
    reader_ = Child();
    static_cast<void>(output_.Close());
    std::string().swap(received_);
}

ChmArchive ReadArchive(const std::string& helpFile, const std::string& program) {
    ReaderProcess reader(program, helpFile);
    for (;;) {
        if (std::optional<ChmArchive> archive = reader.Receive()) {
            return std::move(*archive);
        }
        pollfd output = {.fd = reader.Output(), .events = POLLIN};
        if (TEMP_FAILURE_RETRY(poll(&output, 1, static_cast<int>(kReaderPatience.count()))) != 1) {
            return reader.GiveUp();
        }
    }
}

} // namespace tarn::help
