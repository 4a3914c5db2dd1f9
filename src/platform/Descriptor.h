#pragma once

#include "common/Status.h"

#include <cerrno>
#include <utility>

namespace tarn::platform {

// An open file descriptor, closed with `CloseCall` when its owner goes: for descriptors whose
// close loses nothing (a file read, a folder synced, a pipe). A close whose failure matters is
// made with Close(), which says how it went.
template <int (*CloseCall)(int)> class BasicDescriptor {
public:
    BasicDescriptor() = default;
    explicit BasicDescriptor(int fd) : fd_(fd) {}
    // Given up on: errno stays that of whatever led here.
    ~BasicDescriptor() {
        const int saved = errno;
        static_cast<void>(Close());
        errno = saved;
    }
    BasicDescriptor(BasicDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    BasicDescriptor& operator=(BasicDescriptor&& other) noexcept {
        if (this != &other) {
            BasicDescriptor given(std::exchange(fd_, -1));
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }

    int Get() const { return fd_; }
    bool Valid() const { return fd_ != -1; }
    // Hands the descriptor to a new owner, which closes it.
    [[nodiscard]] int Release() { return std::exchange(fd_, -1); }
    // Closes it now; errno is set only when that fails.
    Status Close() {
        const int fd = std::exchange(fd_, -1);
        return fd == -1 || CloseCall(fd) == 0 ? Status() : Status::FromErrno();
    }

private:
    int fd_ = -1;
};

} // namespace tarn::platform
