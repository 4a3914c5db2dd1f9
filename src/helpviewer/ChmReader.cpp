#include "helpviewer/ChmReader.h"

#include "helpviewer/ReaderMessage.h"

#include <chm_lib.h>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace tarn::help {

namespace {

// Reading a whole manual takes milliseconds of processor time and a few hundred kilobytes; a
// damaged file may make chmlib loop, or claim objects of any size. Counted in processor time, the
// limit holds however busy the machine is; a reader stuck waiting (on a hung network folder, say)
// ends after a while in real time.
constexpr rlim_t kProcessorSecondsToReadWhole = 3;
constexpr unsigned kSecondsToWait = 30;
constexpr rlim_t kMemoryToReadWhole = rlim_t{256} << 20;

// The time limits come first. A crash on a damaged file is expected here and leaves no core file
// behind.
void LimitThisProgram() {
    // Setting the default action of a valid signal cannot fail.
    for (const int deadly : {SIGALRM, SIGXCPU, SIGFPE, SIGSEGV, SIGBUS, SIGILL, SIGABRT, SIGPIPE}) {
        static_cast<void>(std::signal(deadly, SIG_DFL));
    }
    alarm(kSecondsToWait);
    const rlimit processor = {.rlim_cur = kProcessorSecondsToReadWhole,
                              .rlim_max = kProcessorSecondsToReadWhole};
    setrlimit(RLIMIT_CPU, &processor);
    const rlimit noCore = {.rlim_cur = 0, .rlim_max = 0};
    setrlimit(RLIMIT_CORE, &noCore);
    // Beyond what the program maps at its start (which a sanitizer's shadow memory makes
    // huge). The first number is the size of the address space in pages.
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

struct ChmCloser {
    void operator()(chmFile* file) const { chm_close(file); }
};

// Writes every object of the file at `path`; false where anything failed.
bool WriteWholeFile(const std::string& path, std::FILE* to) {
    // Closed also when an object too large to hold throws.
    const std::unique_ptr<chmFile, ChmCloser> opened(chm_open(path.c_str()));
    chmFile* file = opened.get();
    if (file == nullptr) {
        return false;
    }
    std::vector<chmUnitInfo> objects;
    bool whole =
        chm_enumerate(file, CHM_ENUMERATE_ALL & ~CHM_ENUMERATE_DIRS, ListObject, &objects) != 0;
    if (whole) {
        WriteObjectCount(to, objects.size());
        for (chmUnitInfo& unit : objects) {
            std::string bytes(unit.length, '\0');
            const auto length = static_cast<LONGINT64>(unit.length);
            if (chm_retrieve_object(file, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                    length) != length) {
                whole = false;
                break;
            }
            WriteObject(to, (unit.flags & CHM_ENUMERATE_NORMAL) != 0, unit.path, bytes);
        }
    }
    return whole;
}

} // namespace

int RunHelpReader(int argc, char* argv[]) noexcept {
    LimitThisProgram();
    if (argc != 2) {
        return 2;
    }
    try {
        const bool whole = WriteWholeFile(argv[1], stdout);
        return whole && std::fflush(stdout) == 0 && !std::ferror(stdout) ? EXIT_SUCCESS
                                                                         : EXIT_FAILURE;
    } catch (...) {
        return EXIT_FAILURE;
    }
}

} // namespace tarn::help
