// Preloaded into the program: once the file named by TARN_HANG_SYNCS_WHEN exists, every sync of
// a file or folder under TARN_HANG_SYNCS_UNDER never answers, as on a hard NFS mount whose
// server is gone or a USB device that hangs.
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

bool Hangs(int fd) {
    const char* under = std::getenv("TARN_HANG_SYNCS_UNDER"); // NOLINT(concurrency-mt-unsafe)
    const char* when = std::getenv("TARN_HANG_SYNCS_WHEN");   // NOLINT(concurrency-mt-unsafe)
    if (under == nullptr || when == nullptr || !std::filesystem::exists(when)) {
        return false;
    }
    std::error_code error;
    const std::string path =
        std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), error).string();
    return !error && path.starts_with(under);
}

// The library's own call of that name, or one that never answers.
int PassOn(const char* name, int fd) {
    while (Hangs(fd)) {
        ::pause();
    }
    using Sync = int (*)(int);
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): dlsym answers a data pointer.
    return reinterpret_cast<Sync>(::dlsym(RTLD_NEXT, name))(fd);
}

} // namespace

// NOLINTBEGIN(readability-inconsistent-declaration-parameter-name): the C library's own names.
extern "C" int fsync(int fd) {
    return PassOn("fsync", fd);
}
extern "C" int fdatasync(int fd) {
    return PassOn("fdatasync", fd);
}
extern "C" int syncfs(int fd) {
    return PassOn("syncfs", fd);
}
// NOLINTEND(readability-inconsistent-declaration-parameter-name)
