#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tarn::platform {

// The result of a file operation: success, or the system's error number.
struct FileResult {
    int error = 0;

    bool Ok() const { return error == 0; }
    explicit operator bool() const { return Ok(); }
    std::string Reason() const;
};

// The identity of a file on disk, the same whichever name it is reached by.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FileIdentity&) const = default;
};

// Length in bytes of a regular file, also while another handle holds it open.
std::optional<std::int64_t> FileLength(const std::string& path);
std::optional<FileIdentity> IdentityOf(const std::string& path);
bool FileExists(const std::string& path);

FileResult DeleteFile(const std::string& path);

// Renames a file, but never over an existing one: when `to` exists the rename fails with EEXIST.
FileResult RenameNoReplace(const std::string& from, const std::string& to);

// Clears the read-only state: gives the owner write permission.
FileResult SetAttributesNormal(const std::string& path);

// Reads up to `count` bytes at `offset`; the number of bytes read, or nothing when the file
// cannot be opened or read.
std::optional<std::size_t> ReadAt(const std::string& path, std::int64_t offset, void* buffer,
                                  std::size_t count);

} // namespace tarn::platform
