#pragma once

#include "platform/Descriptor.h"

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/types.h>

namespace tarn::platform::sys {

// Every system call the program makes on the user's files and on its own records goes through
// here, so that a test can make any one of them fail as a disk or a file system may. The calls
// and their results are those of the system, with errno set on failure, except that a call
// interrupted by a signal (EINTR) is made again, and a close so interrupted counts as done
// (Linux has released the descriptor by then).
enum class Call {
    Open,
    Read,
    Write,
    Fsync,
    Close,
    Stat,
    Lstat,
    Fstat,
    Rename,
    RenameNoReplace,
    Link,
    Unlink,
    Mkdir,
    Flock,
    Chmod,
    Fstatfs,
    Syncfs,
};

// A seam's answer that makes a read or a write move only half of what it asks for.
inline constexpr int kHalfTransfer = -1;

// Added to an error number, a seam's answer that makes the call and then fails it with that error,
// as a share does whose reply was lost.
inline constexpr int kMadeThenFailed = 0x10000;

// What a test puts between the program and the system.
class Seam {
public:
    virtual ~Seam() = default;
    // Asked before each call, with the descriptor or the paths it is about: 0 lets the call be
    // made, an error number fails it with that errno without making it, kHalfTransfer shortens a
    // read or a write, kMadeThenFailed plus an error number makes it and fails it.
    virtual int Before(Call call, int fd, const char* path, const char* to) = 0;
    // Told of the descriptor that each successful open returned.
    virtual void Opened(int fd, const char* path) = 0;
};

// Puts a seam in place; nullptr takes it away. For tests: the program never has one.
void UseSeam(Seam* seam);

int Open(const char* path, int flags, mode_t mode = 0);
ssize_t Read(int fd, void* buffer, size_t count);
ssize_t Pread(int fd, void* buffer, size_t count, off_t offset);
ssize_t Write(int fd, const void* buffer, size_t count);
int Fsync(int fd);
int Close(int fd);
int Stat(const char* path, struct stat* info);
int Lstat(const char* path, struct stat* info);
int Fstat(int fd, struct stat* info);
int Rename(const char* from, const char* to);
// renameat2 with RENAME_NOREPLACE.
int RenameNoReplace(const char* from, const char* to);
int Link(const char* from, const char* to);
int Unlink(const char* path);
int Mkdir(const char* path, mode_t mode);
int Flock(int fd, int operation);
int Chmod(const char* path, mode_t mode);
int Fstatfs(int fd, struct statfs* info);
// Makes everything written to the file system that holds the open file durable.
int Syncfs(int fd);

// A descriptor from Open, closed through Close.
using Descriptor = BasicDescriptor<Close>;

} // namespace tarn::platform::sys
