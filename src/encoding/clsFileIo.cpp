#include "encoding/clsFileIo.h"

#include "platform/SyncThread.h"
#include "platform/SystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn {

namespace sys = platform::sys;

namespace {

// The error the last system call left; one that left none counts as an input/output error.
int LastError() {
    return errno != 0 ? errno : EIO;
}

// Opens an existing file, or creates it when it is missing. `created` tells which happened.
int OpenOrCreate(const std::string& path, bool& created) {
    constexpr int kFlags = O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = sys::Open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
    created = fd != -1;
    if (fd == -1 && errno == EEXIST) {
        fd = sys::Open(path.c_str(), kFlags);
    }
    return fd;
}

} // namespace

clsFileIo::~clsFileIo() {
    if (open_) {
        CloseFile();
    }
}

bool clsFileIo::OpenFile(const std::string& FileN) {
    return Open(FileN, true);
}

bool clsFileIo::OpenFileForReading(const std::string& FileN) {
    return Open(FileN, false);
}

bool clsFileIo::Settle(int error) {
    lastStatus_ = error == 0 ? Status() : Status::Failure(error);
    if (error != 0) {
        errno = error;
    }
    return error == 0;
}

bool clsFileIo::Open(const std::string& path, bool forWriting) {
    if (open_) {
        return Settle(EBUSY);
    }
    bool created = false;
    // O_NONBLOCK keeps a FIFO from hanging the open; it is refused below anyway.
    sys::Descriptor file(
        forWriting ? OpenOrCreate(path, created)
                   : sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file.Valid()) {
        fileHandle_ = -1;
        return Settle(LastError());
    }
    const int fd = file.Get();
    struct stat info {};
    int error = 0;
    if (sys::Fstat(fd, &info) != 0) {
        error = errno;
    } else if (S_ISDIR(info.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(info.st_mode)) {
        error = EINVAL;
    } else if (forWriting && !created && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        error = EACCES;
    } else if (sys::Flock(fd, (forWriting ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? EBUSY : errno;
    }
    if (error != 0) {
        // A file this open created is not left behind empty.
        if (created) {
            static_cast<void>(sys::Unlink(path.c_str()));
        }
        fileHandle_ = -1;
        return Settle(error);
    }
    // From here on the object closes it.
    static_cast<void>(file.Release());
    fileHandle_ = fd;
    fileName_ = path;
    open_ = true;
    writable_ = forWriting;
    created_ = created;
    identity_ = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
    return Settle(0);
}

bool clsFileIo::CloseFile() {
    return Close(writable_);
}

bool clsFileIo::CloseUnsynced() {
    return Close(false);
}

bool clsFileIo::Close(bool sync) {
    if (!open_) {
        return Settle(EBADF);
    }
    open_ = false;
    int error = 0;
    if (sync) {
        error = platform::SyncDescriptor(fileHandle_).Error();
    }
    if (sys::Close(fileHandle_) != 0 && error == 0) {
        error = errno;
    }
    lastApiResult_ = error == 0 ? 1 : 0;
    // A handle was closed, whether or not its data were made durable.
    static_cast<void>(Settle(error));
    return true;
}

bool clsFileIo::WriteBytes(const void* Pointer, std::int64_t Size) {
    if (!open_ || Size < 0 || (Size > 0 && Pointer == nullptr)) {
        return Settle(open_ ? EINVAL : EBADF);
    }
    const auto* bytes = static_cast<const char*>(Pointer);
    std::int64_t done = 0;
    while (done < Size) {
        const auto request = static_cast<std::size_t>(std::min<std::int64_t>(Size - done, INT_MAX));
        const ssize_t written = sys::Write(fileHandle_, bytes + done, request);
        if (written <= 0) {
            bytesTransferred_ = done;
            lastApiResult_ = 0;
            // A file system that takes nothing and says no error would keep this loop for ever.
            return Settle(written == 0 ? EIO : LastError());
        }
        done += written;
    }
    bytesTransferred_ = done;
    lastApiResult_ = 1;
    return Settle(0);
}

std::int32_t clsFileIo::ReadBytes(void* Pointer, std::int64_t bytes) {
    if (!open_ || bytes < 0 || (bytes > 0 && Pointer == nullptr)) {
        return Settle(open_ ? EINVAL : EBADF) ? 1 : 0;
    }
    auto* out = static_cast<char*>(Pointer);
    std::int64_t done = 0;
    while (done < bytes) {
        const auto request =
            static_cast<std::size_t>(std::min<std::int64_t>(bytes - done, INT_MAX));
        const ssize_t got = sys::Read(fileHandle_, out + done, request);
        if (got == -1) {
            bytesTransferred_ = done;
            return Settle(LastError()) ? 1 : 0;
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    bytesTransferred_ = done;
    return Settle(0) ? 1 : 0;
}

} // namespace tarn
