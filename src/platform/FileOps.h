#pragma once

#include "common/Status.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn::platform {

// The identity of a file on disk, the same whichever name it is reached by.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FileIdentity&) const = default;
};

// What a path leads to, links followed.
struct FileInfo {
    FileIdentity identity;
    bool regular = false;
};

// Length in bytes of a regular file, also while another handle holds it open; a failure for
// anything else (EISDIR for a folder, EINVAL for a device or a pipe) or when it cannot be had.
Result<std::int64_t> FileLength(const std::string& path);
Result<FileInfo> Inspect(const std::string& path);
// Whether anything has that name (a link counts itself). Only "no such file" is a no: any other
// error leaves the answer unknown, and is a failure.
Result<bool> Exists(const std::string& path);

Status DeleteFile(const std::string& path);

// Renames a file, but never over an existing one: when `to` exists the rename fails with EEXIST.
Status RenameNoReplace(const std::string& from, const std::string& to);

// Makes what was done to the names in the folder that holds `path` (a rename, a creation, a
// removal) durable, so that it survives a power cut. A file system that cannot make a folder
// durable counts as done.
Status SyncFolderOf(const std::string& path);

// Creates the folder and any above it that are missing, each creation made durable.
Status CreateFolders(const std::string& folder);

// Clears the read-only state: gives the owner write permission.
Status SetAttributesNormal(const std::string& path);

// Reads up to `count` bytes at `offset`; the number of bytes read (fewer at the end of the file).
Result<std::size_t> ReadAt(const std::string& path, std::int64_t offset, void* buffer,
                           std::size_t count);

} // namespace tarn::platform
