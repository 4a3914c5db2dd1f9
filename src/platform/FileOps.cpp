#include "platform/FileOps.h"

#include "common/PathParts.h"
#include "platform/SyncThread.h"
#include "platform/SystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tarn::platform {

namespace {

Status Done(int result) {
    return result == 0 ? Status() : Status::FromErrno();
}

FileInfo InfoOf(const struct stat& info) {
    return {{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)},
            S_ISREG(info.st_mode),
            static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

bool Missing(const Result<FileInfo>& info) {
    return !info && (info.Outcome().Error() == ENOENT || info.Outcome().Error() == ENOTDIR);
}

// A call that moved `from` to `to` may answer that it failed although it was made: over a share
// whose reply was lost, or made again after an interruption, when it finds `from` gone.
bool Moved(const std::string& from, const std::string& to) {
    return Missing(InspectName(from)) && InspectName(to).Ok();
}

// `to` is a second name of `from`'s file; `from` goes. Only a second name is ever removed
// again: when `from` is gone, whatever the unlink answered, the rename is done.
Status UnlinkLinked(const std::string& from, const std::string& to) {
    if (sys::Unlink(from.c_str()) == 0) {
        return {};
    }
    Status failure = Status::FromErrno();
    const Result<FileInfo> source = InspectName(from);
    const Result<FileInfo> target = InspectName(to);
    if (Missing(source) && target) {
        return {};
    }
    if (source && target && source->identity == target->identity) {
        static_cast<void>(sys::Unlink(to.c_str()));
    }
    return failure;
}

Result<FileIdentity> MakePlaceholder(const std::string& path) {
    sys::Descriptor file(
        sys::Open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file.Valid()) {
        return Status::FromErrno();
    }
    struct stat info {};
    Status made = sys::Fstat(file.Get(), &info) == 0 ? Status() : Status::FromErrno();
    if (made) {
        made = file.Close();
    }
    if (!made) {
        static_cast<void>(sys::Unlink(path.c_str()));
        return made;
    }
    return InfoOf(info).identity;
}

// The name is held by an empty file of ours, which the rename then replaces: no other file can
// take the name in between, and none of the user's is ever replaced.
Status RenameOverPlaceholder(const std::string& from, const std::string& to,
                             PlaceholderNotes* notes) {
    if (notes != nullptr) {
        if (Status noted = notes->NotePlaceholder(to, {}); !noted) {
            return noted;
        }
    }
    const Result<FileIdentity> placeholder = MakePlaceholder(to);
    Status renamed = placeholder.Outcome();
    if (renamed && notes != nullptr) {
        renamed = notes->NotePlaceholder(to, *placeholder);
    }
    if (renamed && sys::Rename(from.c_str(), to.c_str()) != 0) {
        renamed = Moved(from, to) ? Status() : Status::FromErrno();
    }
    if (renamed) {
        // The note goes once the rename is durable: a power cut could bring the placeholder
        // back. Unsynced, it stays, and the next start finds the renamed file, not ours.
        if (notes != nullptr && SyncFolderOf(to)) {
            static_cast<void>(notes->DropPlaceholder(to));
        }
        return renamed;
    }
    const Result<FileInfo> left = InspectName(to);
    const bool ours = placeholder && left && left->identity == *placeholder && left->size == 0;
    // Removed again, or perhaps never made: the note goes once that is durable. A note left
    // leads the next start to an empty file of ours, or to none.
    const bool gone = !placeholder || (ours && DeleteFile(to));
    if (gone && notes != nullptr && SyncFolderOf(to)) {
        static_cast<void>(notes->DropPlaceholder(to));
    }
    return renamed;
}

} // namespace

Result<FileSystemTraits> TraitsOf(int fd) {
    constexpr long kFat = 0x4d44;
    constexpr long kExfat = 0x2011BAB0;
    constexpr long kFuse = 0x65735546;
    struct statfs info {};
    if (sys::Fstatfs(fd, &info) != 0) {
        return Status::FromErrno();
    }
    const auto type = static_cast<long>(info.f_type);
    return FileSystemTraits{type == kFat || type == kExfat || type == kFuse, type != kFuse};
}

bool SameFile(const FileIdentity& recorded, const FileIdentity& found) {
    if (recorded.inode == kKnownByPath) {
        return true;
    }
    const bool numberedPerMount = ::major(static_cast<dev_t>(recorded.device)) == 0 &&
                                  ::major(static_cast<dev_t>(found.device)) == 0;
    return recorded.inode == found.inode && (recorded.device == found.device || numberedPerMount);
}

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
    return InfoOf(info);
}

Result<FileInfo> InspectName(const std::string& path) {
    struct stat info {};
    if (sys::Lstat(path.c_str(), &info) != 0) {
        return Status::FromErrno();
    }
    return InfoOf(info);
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

Status RenameNoReplace(const std::string& from, const std::string& to, PlaceholderNotes* notes) {
    if (sys::RenameNoReplace(from.c_str(), to.c_str()) == 0) {
        return {};
    }
    const int refused = errno;
    if (refused != EINVAL && refused != ENOSYS && refused != ENOTSUP) {
        return refused != EEXIST && Moved(from, to) ? Status() : Status::Failure(refused);
    }
    // The file system cannot rename without replacing: a hard link fails when the target
    // exists, so link and unlink give the same guarantee.
    if (sys::Link(from.c_str(), to.c_str()) == 0) {
        return UnlinkLinked(from, to);
    }
    const int linkError = errno;
    if (linkError != EPERM && linkError != EXDEV && linkError != ENOTSUP && linkError != ENOSYS) {
        // A link made whose answer was lost leaves two names of one file.
        const Result<FileInfo> source = InspectName(from);
        const Result<FileInfo> target = InspectName(to);
        return linkError != EEXIST && source && target && source->identity == target->identity
                   ? UnlinkLinked(from, to)
                   : Status::Failure(linkError);
    }
    // Nor hard links (exFAT and other FUSE file systems, network shares, phones).
    return RenameOverPlaceholder(from, to, notes);
}

Result<std::uint64_t> FolderDevice(const std::string& path) {
    struct stat info {};
    if (sys::Stat(ParentFolder(path).c_str(), &info) != 0) {
        return Status::FromErrno();
    }
    return static_cast<std::uint64_t>(info.st_dev);
}

Result<bool> PlaceIsThere(const std::string& path, std::uint64_t device) {
    const Result<std::uint64_t> found = FolderDevice(path);
    if (!found) {
        const int error = found.Outcome().Error();
        return error == ENOENT || error == ENOTDIR ? Result<bool>(false) : found.Outcome();
    }
    return device == 0 || *found == device;
}

const Status& FolderSyncs::Of(const std::string& path) {
    const auto [answer, first] = answers_.try_emplace(ParentFolder(path));
    if (first) {
        answer->second = SyncFolderOf(path);
    }
    return answer->second;
}

Status SyncFolderOf(const std::string& path) {
    // Closing a folder opened for reading loses nothing.
    const sys::Descriptor folder(
        sys::Open(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.Valid()) {
        return Status::FromErrno();
    }
    Status synced = SyncDescriptor(folder.Get());
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
    if (Status above = CreateFolders(ParentFolder(folder)); !above) {
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
    return ReadAt(file.Get(), offset, buffer, count);
}

Result<std::size_t> ReadAt(int fd, std::int64_t offset, void* buffer, std::size_t count) {
    std::size_t total = 0;
    auto* out = static_cast<char*>(buffer);
    while (total < count) {
        const ssize_t got = sys::Pread(fd, out + total, count - total,
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

Result<std::size_t> WindowedReader::operator()(std::int64_t offset, void* buffer,
                                               std::size_t count) {
    constexpr std::size_t kWindow = 65536;
    if (count > kWindow / 2) {
        return ReadAt(fd_, offset, buffer, count);
    }
    const auto end = start_ + static_cast<std::int64_t>(window_.size());
    if (offset < start_ || offset + static_cast<std::int64_t>(count) > end) {
        window_.resize(kWindow);
        Result<std::size_t> got = ReadAt(fd_, offset, window_.data(), kWindow);
        if (!got) {
            window_.clear();
            return got;
        }
        window_.resize(*got);
        start_ = offset;
    }
    const auto from = static_cast<std::size_t>(offset - start_);
    const std::size_t n = std::min(count, window_.size() - from);
    std::copy_n(window_.data() + from, n, static_cast<char*>(buffer));
    return n;
}

} // namespace tarn::platform
