#include "platform/SystemCalls.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tarn::platform::sys {

namespace {

Seam* seam = nullptr;

// Makes the call through the seam, again for as long as it is interrupted. `make` gets the
// seam's answer (0 or kHalfTransfer) and makes the call.
template <typename Make>
auto Retrying(Call call, int fd, const char* path, const char* to, Make make) {
    for (;;) {
        const int answer = seam != nullptr ? seam->Before(call, fd, path, to) : 0;
        const bool madeThenFailed = answer > kMadeThenFailed;
        if (answer > 0 && !madeThenFailed) {
            errno = answer;
        }
        auto result = answer > 0 && !madeThenFailed ? -1 : make(madeThenFailed ? 0 : answer);
        if (madeThenFailed && result != -1) {
            result = -1;
            errno = answer - kMadeThenFailed;
        }
        if (result != -1 || errno != EINTR) {
            return result;
        }
    }
}

size_t Transfer(int answer, size_t count) {
    return answer == kHalfTransfer && count > 1 ? count / 2 : count;
}

} // namespace

void UseSeam(Seam* newSeam) {
    seam = newSeam;
}

int Open(const char* path, int flags, mode_t mode) {
    const int fd =
        Retrying(Call::Open, -1, path, nullptr, [&](int) { return ::open(path, flags, mode); });
    if (fd != -1 && seam != nullptr) {
        seam->Opened(fd, path);
    }
    return fd;
}

ssize_t Read(int fd, void* buffer, size_t count) {
    return Retrying(Call::Read, fd, nullptr, nullptr,
                    [&](int answer) { return ::read(fd, buffer, Transfer(answer, count)); });
}

ssize_t Pread(int fd, void* buffer, size_t count, off_t offset) {
    return Retrying(Call::Read, fd, nullptr, nullptr, [&](int answer) {
        return ::pread(fd, buffer, Transfer(answer, count), offset);
    });
}

ssize_t Write(int fd, const void* buffer, size_t count) {
    return Retrying(Call::Write, fd, nullptr, nullptr,
                    [&](int answer) { return ::write(fd, buffer, Transfer(answer, count)); });
}

int Fsync(int fd) {
    return Retrying(Call::Fsync, fd, nullptr, nullptr, [&](int) { return ::fsync(fd); });
}

int Close(int fd) {
    const int answer = seam != nullptr ? seam->Before(Call::Close, fd, nullptr, nullptr) : 0;
    // Refused or not, the descriptor is released.
    const int result = ::close(fd);
    if (answer > 0 && answer != EINTR) {
        errno = answer;
        return -1;
    }
    return result == -1 && errno == EINTR ? 0 : result;
}

int Stat(const char* path, struct stat* info) {
    return Retrying(Call::Stat, -1, path, nullptr, [&](int) { return ::stat(path, info); });
}

int Lstat(const char* path, struct stat* info) {
    return Retrying(Call::Lstat, -1, path, nullptr, [&](int) { return ::lstat(path, info); });
}

int Fstat(int fd, struct stat* info) {
    return Retrying(Call::Fstat, fd, nullptr, nullptr, [&](int) { return ::fstat(fd, info); });
}

int Rename(const char* from, const char* to) {
    return Retrying(Call::Rename, -1, from, to, [&](int) { return ::rename(from, to); });
}

int RenameNoReplace(const char* from, const char* to) {
    return Retrying(Call::RenameNoReplace, -1, from, to, [&](int) {
        return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
    });
}

int Link(const char* from, const char* to) {
    return Retrying(Call::Link, -1, from, to, [&](int) { return ::link(from, to); });
}

int Unlink(const char* path) {
    return Retrying(Call::Unlink, -1, path, nullptr, [&](int) { return ::unlink(path); });
}

int Mkdir(const char* path, mode_t mode) {
    return Retrying(Call::Mkdir, -1, path, nullptr, [&](int) { return ::mkdir(path, mode); });
}

int Flock(int fd, int operation) {
    return Retrying(Call::Flock, fd, nullptr, nullptr, [&](int) { return ::flock(fd, operation); });
}

int Chmod(const char* path, mode_t mode) {
    return Retrying(Call::Chmod, -1, path, nullptr, [&](int) { return ::chmod(path, mode); });
}

int Fstatfs(int fd, struct statfs* info) {
    return Retrying(Call::Fstatfs, fd, nullptr, nullptr, [&](int) { return ::fstatfs(fd, info); });
}

int Syncfs(int fd) {
    return Retrying(Call::Syncfs, fd, nullptr, nullptr, [&](int) { return ::syncfs(fd); });
}

} // namespace tarn::platform::sys
