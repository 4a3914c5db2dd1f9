#include "helpviewer/ChmArchive.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chm_lib.h>
#include <climits>
#include <csignal>
#include <cstdint>
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
// The child's exit status when it sent the whole file. Not 0, so that a child that ends in any
// other way (a library calling exit(0), say) is not taken for one that did.
constexpr int kSentWhole = 3;

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
    char statm[64] = {};
    const int sizes = open("/proc/self/statm", O_RDONLY);
    if (sizes >= 0 && read(sizes, statm, sizeof statm - 1) > 0) {
        const rlim_t pages = std::strtoul(statm, nullptr, 10);
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

bool WriteAll(int to, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(to, bytes, size);
        if (written <= 0) {
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Each object goes to the pipe as: one byte, 1 for an ordinary file; the path's length (4
// bytes) and the path; the object's length (8 bytes) and its bytes. Lengths are in this
// machine's byte order.
bool SendObject(int to, chmFile* file, chmUnitInfo& unit) {
    if (unit.length > kLargestManual) {
        return false;
    }
    std::string bytes(unit.length, '\0');
    if (chm_retrieve_object(file, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                            static_cast<LONGINT64>(unit.length)) !=
        static_cast<LONGINT64>(unit.length)) {
        return false;
    }
    const std::uint8_t ordinary = (unit.flags & CHM_ENUMERATE_NORMAL) != 0 ? 1 : 0;
    const auto pathLength = static_cast<std::uint32_t>(std::strlen(unit.path));
    const std::uint64_t length = unit.length;
    return WriteAll(to, &ordinary, sizeof ordinary) &&
           WriteAll(to, &pathLength, sizeof pathLength) && WriteAll(to, unit.path, pathLength) &&
           WriteAll(to, &length, sizeof length) && WriteAll(to, bytes.data(), bytes.size());
}

// The child's work: every object of the file, read whole, written to `to`.
bool SendWholeFile(const std::string& path, int to) {
    chmFile* file = chm_open(path.c_str());
    if (file == nullptr) {
        return false;
    }
    std::vector<chmUnitInfo> objects;
    bool whole =
        chm_enumerate(file, CHM_ENUMERATE_ALL & ~CHM_ENUMERATE_DIRS, ListObject, &objects) != 0;
    for (chmUnitInfo& unit : objects) {
        whole = whole && SendObject(to, file, unit);
    }
    chm_close(file);
    return whole;
}

// The child's whole life: nothing it meets may get past this.
[[noreturn]] void ReadApart(const std::string& path, int to) noexcept {
    const bool sent = [&]() noexcept {
        try {
            LimitTheChild();
            return SendWholeFile(path, to);
        } catch (...) {
            return false;
        }
    }();
    _exit(sent ? kSentWhole : EXIT_FAILURE);
}

// Reads from `from` until its end, or until more came than a manual can hold.
std::optional<std::string> ReceiveAll(int from) {
    std::string received;
    char buffer[PIPE_BUF];
    for (;;) {
        const ssize_t got = read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 || received.size() + static_cast<std::size_t>(got) > kLargestManual) {
            return std::nullopt;
        }
        if (got == 0) {
            return received;
        }
        received.append(buffer, static_cast<std::size_t>(got));
    }
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
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return;
    }
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        ReadApart(path, ends[1]);
    }
    close(ends[1]);
    if (child < 0) {
        close(ends[0]);
        return;
    }
    const std::optional<std::string> received = ReceiveAll(ends[0]);
    close(ends[0]);
    if (!received) {
        kill(child, SIGKILL);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (received && WIFEXITED(status) && WEXITSTATUS(status) == kSentWhole &&
        TakeObjects(*received)) {
        problem_ = ArchiveProblem::None;
    }
}

bool ChmArchive::TakeObjects(std::string_view received) {
    while (!received.empty()) {
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
    return true;
}

std::optional<std::string> ChmArchive::Read(const std::string& path) const {
    const auto found = objects_.find(LowerCase(path));
    if (found == objects_.end()) {
        return std::nullopt;
    }
    return found->second;
}

} // namespace tarn::help
