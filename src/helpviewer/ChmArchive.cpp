#include "helpviewer/ChmArchive.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chm_lib.h>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarn::help {

namespace {

// Reading a whole manual takes milliseconds and a few hundred kilobytes; a damaged file may
// make chmlib loop, or claim objects of any size.
constexpr unsigned kSecondsToReadWhole = 3;
constexpr rlim_t kMemoryToReadWhole = rlim_t{256} << 20;
constexpr std::size_t kLargestManual = std::size_t{128} << 20;

ArchiveProblem ProblemBeforeOpening(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return ArchiveProblem::Missing;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return ArchiveProblem::Unreadable;
    }
    char signature[4] = {};
    in.read(signature, sizeof signature);
    if (in.gcount() != sizeof signature || std::string(signature, 4) != "ITSF") {
        return ArchiveProblem::NotChm;
    }
    return ArchiveProblem::None;
}

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// What goes wrong in the child (a signal, an error report, too much memory or time) stays
// there. The time limit comes first: a child of a program with threads may even get stuck on a
// lock.
void LimitTheChild() {
    for (const int deadly : {SIGALRM, SIGFPE, SIGSEGV, SIGBUS, SIGILL, SIGABRT, SIGPIPE}) {
        std::signal(deadly, SIG_DFL);
    }
    alarm(kSecondsToReadWhole);
    dup2(open("/dev/null", O_WRONLY), STDERR_FILENO);
    // The first number is the size of the address space in pages.
    rlim_t pages = 0;
    if (std::ifstream("/proc/self/statm") >> pages) {
        const rlimit memory = {.rlim_cur = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) +
                                           kMemoryToReadWhole,
                               .rlim_max = RLIM_INFINITY};
        setrlimit(RLIMIT_AS, &memory);
    }
}

// Called from inside chmlib, so nothing may be thrown from here.
int ListObject(chmFile* /*file*/, chmUnitInfo* unit, void* context) noexcept {
    try {
        static_cast<std::vector<chmUnitInfo>*>(context)->push_back(*unit);
        return CHM_ENUMERATOR_CONTINUE;
    } catch (...) {
        return CHM_ENUMERATOR_FAILURE;
    }
}

template <typename Number> void Send(std::FILE* to, Number number) {
    std::fwrite(&number, sizeof number, 1, to);
}

// The child's work: the number of objects in the file (8 bytes), then each object, read whole:
// one byte, 1 for an ordinary file; the path's length (4 bytes) and the path; the object's
// length (8 bytes) and its bytes. Numbers are in this machine's byte order. The child stops
// where anything fails, so that what it leaves out shows as a message cut short; whatever
// it wrote is judged by the receiver alone.
void SendWholeFile(const std::string& path, std::FILE* to) {
    chmFile* file = chm_open(path.c_str());
    if (file == nullptr) {
        return;
    }
    std::vector<chmUnitInfo> objects;
    if (chm_enumerate(file, CHM_ENUMERATE_ALL & ~CHM_ENUMERATE_DIRS, ListObject, &objects) != 0) {
        Send(to, std::uint64_t{objects.size()});
        for (chmUnitInfo& unit : objects) {
            std::string bytes(unit.length, '\0');
            const auto length = static_cast<LONGINT64>(unit.length);
            if (chm_retrieve_object(file, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                    length) != length) {
                break;
            }
            Send(to, std::uint8_t{(unit.flags & CHM_ENUMERATE_NORMAL) != 0});
            Send(to, static_cast<std::uint32_t>(std::strlen(unit.path)));
            std::fputs(unit.path, to);
            Send(to, std::uint64_t{unit.length});
            std::fwrite(bytes.data(), 1, bytes.size(), to);
        }
    }
    chm_close(file);
}

// The child's whole life: nothing it meets may get past this.
[[noreturn]] void ReadApart(const std::string& path, int to) noexcept {
    try {
        LimitTheChild();
        std::FILE* out = fdopen(to, "w");
        if (out != nullptr) {
            SendWholeFile(path, out);
            std::fclose(out);
        }
    } catch (...) {
    }
    // The status tells nothing: the message shows whether the file was read whole. Not 0, so
    // that this could never end another process as a success.
    _exit(EXIT_FAILURE);
}

// Reads from `from` until its end; nothing when reading fails or more came than a manual can
// hold.
std::optional<std::string> ReceiveAll(int from) {
    std::string received;
    char buffer[PIPE_BUF];
    ssize_t got = 0;
    while ((got = TEMP_FAILURE_RETRY(read(from, buffer, sizeof buffer))) > 0) {
        if (received.size() + static_cast<std::size_t>(got) > kLargestManual) {
            return std::nullopt;
        }
        received.append(buffer, static_cast<std::size_t>(got));
    }
    return got == 0 ? std::optional(received) : std::nullopt;
}

// Takes the next `size` bytes of the received ones; false past their end.
bool Take(std::string_view& received, std::uint64_t size, std::string_view& taken) {
    if (size > received.size()) {
        return false;
    }
    taken = received.substr(0, size);
    received.remove_prefix(size);
    return true;
}

template <typename Number> bool TakeNumber(std::string_view& received, Number& number) {
    std::string_view taken;
    if (!Take(received, sizeof number, taken)) {
        return false;
    }
    std::memcpy(&number, taken.data(), sizeof number);
    return true;
}

} // namespace

ChmArchive::ChmArchive(const std::string& path) : problem_(ProblemBeforeOpening(path)) {
    if (problem_ != ArchiveProblem::None) {
        return;
    }
    problem_ = ArchiveProblem::Damaged;
    int ends[] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        ReadApart(path, ends[1]);
    }
    close(ends[1]);
    if (child == -1) {
        close(ends[0]);
        return;
    }
    const std::optional<std::string> received = ReceiveAll(ends[0]);
    close(ends[0]);
    // Done or not, the child has nothing more to give.
    kill(child, SIGKILL);
    TEMP_FAILURE_RETRY(waitpid(child, nullptr, 0));
    if (received && TakeObjects(*received)) {
        problem_ = ArchiveProblem::None;
    }
}

bool ChmArchive::TakeObjects(std::string_view received) {
    std::uint64_t count = 0;
    if (!TakeNumber(received, count)) {
        return false;
    }
    for (; count > 0; --count) {
        std::uint8_t ordinary = 0;
        std::uint32_t pathLength = 0;
        std::uint64_t length = 0;
        std::string_view path;
        std::string_view bytes;
        if (!(TakeNumber(received, ordinary) && TakeNumber(received, pathLength) &&
              Take(received, pathLength, path) && TakeNumber(received, length) &&
              Take(received, length, bytes))) {
            return false;
        }
        objects_[LowerCase(std::string(path))] = std::string(bytes);
        if (ordinary != 0) {
            files_.emplace_back(path);
        }
    }
    return received.empty();
}

std::optional<std::string> ChmArchive::Read(const std::string& path) const {
    const auto found = objects_.find(LowerCase(path));
    if (found == objects_.end()) {
        return std::nullopt;
    }
    return found->second;
}

} // namespace tarn::help
