#include "platform/FileOps.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn::platform {

namespace {

FileResult LastError() {
    return FileResult{errno != 0 ? errno : EIO};
}

} // namespace

std::string FileResult::Reason() const {
    return Ok() ? std::string() : std::strerror(error);
}

std::optional<std::int64_t> FileLength(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(info.st_size);
}

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

FileResult DeleteFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) {
        return LastError();
    }
    return {};
}

FileResult RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return {};
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return LastError();
    }
    // The file system cannot rename without replacing: a hard link fails when the target
    // exists, so link and unlink give the same guarantee.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return LastError();
    }
    if (::unlink(from.c_str()) != 0) {
        const FileResult failure = LastError();
        ::unlink(to.c_str());
        return failure;
    }
    return {};
}

FileResult SetAttributesNormal(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return LastError();
    }
    if ((info.st_mode & S_IWUSR) != 0) {
        return {};
    }
    if (::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) != 0) {
        return LastError();
    }
    return {};
}

std::optional<std::size_t> ReadAt(const std::string& path, std::int64_t offset, void* buffer,
                                  std::size_t count) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd == -1) {
        return std::nullopt;
    }
    std::size_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < count) {
        const ssize_t got =
            TEMP_FAILURE_RETRY(::pread(fd, out + total, count - total,
                                       static_cast<off_t>(offset) + static_cast<off_t>(total)));
        if (got == -1) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return total;
}

} // namespace tarn::platform
