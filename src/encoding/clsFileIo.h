#pragma once

#include "common/Status.h"
#include "platform/FileOps.h"

#include <cstdint>
#include <string>

namespace tarn {

// One file handle that moves raw bytes between a file and memory. It reports only through its
// results; after a failure errno and LastStatus say why.
//
// A handle keeps its file for as long as it is open: OpenFile holds an exclusive lock, so no
// other clsFileIo (in this process or another) can open the same file meanwhile, and
// OpenFileForReading holds a shared one, which other readers may share but no OpenFile.
class clsFileIo {
public:
    clsFileIo() = default;
    // Closes a file that is still open.
    ~clsFileIo();
    clsFileIo(const clsFileIo&) = delete;
    clsFileIo& operator=(const clsFileIo&) = delete;

    // Opens a regular file for reading and writing at byte 0: an existing file is neither
    // truncated nor moved to its end, a missing one is created empty. A file without any write
    // permission bit is read-only and refused (EACCES), also for root; a file that another handle
    // holds open is refused with EBUSY. An object that is already open refuses (EBUSY) and stays
    // as it was.
    bool OpenFile(const std::string& FileN);
    // Closes the file; for a file opened for writing, first makes its contents durable. True when
    // a handle was closed; LastApiResult is 0 when the data could not be made durable or the
    // close failed.
    bool CloseFile();
    // Closes the file without making its contents durable: made so otherwise (a sync of its file
    // system), or of no use any more.
    bool CloseUnsynced();
    // Writes the bytes at the current position, straight to the file: its length as others see
    // it follows at once. The data reach the disk at CloseFile.
    bool WriteBytes(const void* Pointer, std::int64_t Size);
    // Reads up to `bytes` bytes at the current position. Nonzero on success, also when the file
    // ends first (BytesTransferred then tells how many arrived; the rest of the destination is
    // left as it was); 0 on failure or when the object is not open.
    std::int32_t ReadBytes(void* Pointer, std::int64_t bytes);

    // Opens an existing regular file for reading only, at byte 0; never creates one. Refused
    // with EBUSY while a handle from OpenFile holds it.
    bool OpenFileForReading(const std::string& FileN);

    // The descriptor of the last open; -1 after a failed open, 0 before any.
    int FileHandle() const { return fileHandle_; }
    // 1 when the last write or close succeeded, 0 when it failed.
    std::int32_t LastApiResult() const { return lastApiResult_; }
    // The bytes moved by the last read or write.
    std::int64_t BytesTransferred() const { return bytesTransferred_; }
    // The path of the last successful open; empty until then.
    const std::string& FileName() const { return fileName_; }
    bool IsOpen() const { return open_; }
    // Whether the open file was made by OpenFile, not there before.
    bool Created() const { return created_; }
    // The open file's device and inode.
    const platform::FileIdentity& Identity() const { return identity_; }
    // The outcome of the last open, close, read or write, with the error that failed it.
    const Status& LastStatus() const { return lastStatus_; }

private:
    bool Open(const std::string& path, bool forWriting);
    bool Close(bool sync);
    // Notes the outcome of a call, errno 0 for success; the call's result.
    bool Settle(int error);

    int fileHandle_ = 0;
    std::int32_t lastApiResult_ = 0;
    std::int64_t bytesTransferred_ = 0;
    std::string fileName_;
    Status lastStatus_;
    bool open_ = false;
    bool writable_ = false;
    bool created_ = false;
    platform::FileIdentity identity_;
};

} // namespace tarn
