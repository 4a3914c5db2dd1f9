#pragma once

#include "common/Status.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tarn::platform {

// The identity of a file on disk, the same whichever name it is reached by.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The inode of a file known by its path alone: on a file system that numbers its files anew at
// each mount, a number taken before a stick was pulled means nothing once it is back.
inline constexpr std::uint64_t kKnownByPath = ~std::uint64_t{0};

struct FileSystemTraits {
    // It numbers its files anew at each mount (FAT, exFAT, FUSE).
    bool numbersFilesPerMount = false;
    // A sync of the whole file system reaches the disk; through FUSE only a sync of each file does.
    bool syncsAsAWhole = true;
};
// Of the open file's file system.
Result<FileSystemTraits> TraitsOf(int fd);

// Whether `recorded`, taken when a file was made, is `found` now. Where device numbers are handed
// out at each mount (FUSE, network shares: major number 0), a stick brought back has another
// one, and only the inode can tell.
bool SameFile(const FileIdentity& recorded, const FileIdentity& found);

// What a path leads to.
struct FileInfo {
    FileIdentity identity;
    bool regular = false;
    std::int64_t size = 0;
    // Its last change, in nanoseconds since 1970.
    std::int64_t modified = 0;
};

// Length in bytes of a regular file, also while another handle holds it open; a failure for
// anything else (EISDIR for a folder, EINVAL for a device or a pipe) or when it cannot be had.
Result<std::int64_t> FileLength(const std::string& path);
// Links followed.
Result<FileInfo> Inspect(const std::string& path);
// The name itself: a link is not followed.
Result<FileInfo> InspectName(const std::string& path);
// Whether anything has that name (a link counts itself). Only "no such file" is a no: any other
// error leaves the answer unknown, and is a failure.
Result<bool> Exists(const std::string& path);

Status DeleteFile(const std::string& path);

// Where an empty placeholder, made to hold a free name for a rename, is noted durably, so that a
// start after a crash removes one left behind.
class PlaceholderNotes {
public:
    virtual ~PlaceholderNotes() = default;
    // Before it is made (identity still empty), and again once it is.
    virtual Status NotePlaceholder(const std::string& path, const FileIdentity& identity) = 0;
    // Once it is gone for good.
    virtual Status DropPlaceholder(const std::string& path) = 0;
};

// Renames a file, but never over an existing one: when `to` exists the rename fails with EEXIST.
// Where the file system can neither rename without replacing nor link, the name is first held
// by a placeholder made with O_EXCL, noted in `notes` where given, which the rename replaces.
Status RenameNoReplace(const std::string& from, const std::string& to,
                       PlaceholderNotes* notes = nullptr);

// Whether the file system a record was made on is there at the folder of `path`: the folder
// exists, on `device` (any device when 0). A file that is not found where its place is not there
// is on a stick, card or share that is not connected, not deleted.
Result<bool> PlaceIsThere(const std::string& path, std::uint64_t device);

// The device of the folder that holds `path`.
Result<std::uint64_t> FolderDevice(const std::string& path);

// Makes what was done to the names in the folder that holds `path` (a rename, a creation, a
// removal) durable, so that it survives a power cut. A file system that cannot make a folder
// durable counts as done.
Status SyncFolderOf(const std::string& path);
// Syncs the folder of each path once, however many of the files in it ask: what each answered.
class FolderSyncs {
public:
    const Status& Of(const std::string& path);

private:
    std::map<std::string, Status> answers_;
};

// Creates the folder and any above it that are missing, each creation made durable.
Status CreateFolders(const std::string& folder);

// Clears the read-only state: gives the owner write permission.
Status SetAttributesNormal(const std::string& path);

// Reads up to `count` bytes at `offset`; the number of bytes read (fewer at the end of the file).
Result<std::size_t> ReadAt(const std::string& path, std::int64_t offset, void* buffer,
                           std::size_t count);
// The same of a file open already.
Result<std::size_t> ReadAt(int fd, std::int64_t offset, void* buffer, std::size_t count);

// Reads of one open file through a window of its bytes, so that the many small reads of a walk
// over its chunks cost one system call for each window. The file stays open while it is used.
class WindowedReader {
public:
    explicit WindowedReader(int fd) : fd_(fd) {}
    Result<std::size_t> operator()(std::int64_t offset, void* buffer, std::size_t count);

private:
    int fd_;
    std::vector<char> window_;
    std::int64_t start_ = 0;
};

} // namespace tarn::platform
