#include "platform/FileOps.h"

#include "platform/SystemCalls.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace tarn::platform {

namespace {

Status Done(int result) {
    return result == 0 ? Status() : Status::FromErrno();
}

// The folder part of a path; "." for a bare name.
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

Result<std::int64_t> FileLength(const std::string& path) {
    struct stat info {};
    if (sys::Stat(path.c_str(), &info) != 0) {
        return Status::FromErrno();
    }
    if (!S_ISREG(info.st_mode)) {
        return Status::Failure(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    }
    return static_cast<std::int64_t>(info.st_size);
}

Result<FileInfo> Inspect(const std::string& path) {
    struct stat info {};
    if (sys::Stat(path.c_str(), &info) != 0) {
        return Status::FromErrno();
    }
    return FileInfo{
        {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)},
        S_ISREG(info.st_mode)};
}

Result<bool> Exists(const std::string& path) {
    struct stat info {};
    if (sys::Lstat(path.c_str(), &info) == 0) {
        return true;
    }
    // ENOTDIR: a folder on the way is a file now, so nothing can have the name.
    if (errno == ENOENT || errno == ENOTDIR) {
        return false;
    }
    return Status::FromErrno();
}

Status DeleteFile(const std::string& path) {
    return Done(sys::Unlink(path.c_str()));
}

Status RenameNoReplace(const std::string& from, const std::string& to) {
    if (sys::RenameNoReplace(from.c_str(), to.c_str()) == 0) {
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return Status::FromErrno();
    }
    // The file system cannot rename without replacing: a hard link fails when the target
    // exists, so link and unlink give the same guarantee.
    if (sys::Link(from.c_str(), to.c_str()) == 0) {
        if (sys::Unlink(from.c_str()) == 0) {
            return {};
        }
        Status failure = Status::FromErrno();
        static_cast<void>(sys::Unlink(to.c_str()));
        return failure;
    }
    if (errno != EPERM && errno != EXDEV && errno != ENOTSUP && errno != ENOSYS) {
        return Status::FromErrno();
    }
    // Nor hard links (exFAT and other FUSE file systems, network shares, phones): a plain rename
    // once the name is known to be free. Another program could still create the same name in
    // the few microseconds between the check and the rename, which would then replace it.
    const Result<bool> taken = Exists(to);
    if (!taken) {
        return taken.Outcome();
    }
    if (*taken) {
        return Status::Failure(EEXIST);
    }
    return Done(sys::Rename(from.c_str(), to.c_str()));
}

Status SyncFolderOf(const std::string& path) {
    // Closing a folder opened for reading loses nothing.
    const sys::Descriptor folder(
        sys::Open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) {
        return Status::FromErrno();
    }
    Status synced = Done(sys::Fsync(folder.Get()));
    if (synced.Error() == EINVAL || synced.Error() == ENOTSUP || synced.Error() == ENOSYS) {
        synced = {};
    }
    return synced;
}

Status CreateFolders(const std::string& folder) {
    struct stat info {};
    if (folder.empty() || sys::Stat(folder.c_str(), &info) == 0) {
        return {};
    }
    if (errno != ENOENT) {
        return Status::FromErrno();
    }
    if (Status above = CreateFolders(FolderOf(folder)); !above) {
        return above;
    }
    if (sys::Mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return Status::FromErrno();
    }
    return SyncFolderOf(folder);
}

Status SetAttributesNormal(const std::string& path) {
    struct stat info {};
    if (sys::Stat(path.c_str(), &info) != 0) {
        return Status::FromErrno();
    }
    if ((info.st_mode & S_IWUSR) != 0) {
        return {};
    }
    return Done(sys::Chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR));
}

Result<std::size_t> ReadAt(const std::string& path, std::int64_t offset, void* buffer,
                           std::size_t count) {
    const sys::Descriptor file(sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid()) {
        return Status::FromErrno();
    }
    std::size_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < count) {
        const ssize_t got = sys::Pread(file.Get(), out + total, count - total,
                                       static_cast<off_t>(offset) + static_cast<off_t>(total));
        if (got == -1) {
            return Status::FromErrno();
        }
        if (got == 0) {
            break;
        }
        total += static_cast<std::size_t>(got);
    }
    return total;
}

} // namespace tarn::platform
