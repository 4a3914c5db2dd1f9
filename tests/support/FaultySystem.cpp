#include "support/FaultySystem.h"

#include <cerrno>
#include <unistd.h>

namespace tarn::testing {

int FaultySystem::Before(Call call, int fd, const char* path, const char* to) {
    if (observing_) {
        return 0;
    }
    Note note{call,
              path != nullptr ? path
              : fd >= 0       ? openFiles_[fd]
                              : "",
              to != nullptr ? to : ""};
    if (call == Call::Close) {
        openFiles_.erase(fd);
    }
    const auto refused = refused_.find(call);
    const int answer = calls.size() + 1 == failAt_ ? answer_
                       : refused == refused_.end() ? 0
                                                   : refused->second;
    if (answer == kStop) {
        ::_exit(0);
    }
    if (observer) {
        Aside([&] { observer(note, answer); });
    }
    calls.push_back(std::move(note));
    return answer;
}

const char* CallName(FaultySystem::Call call) {
    // In the order of the calls' kinds.
    constexpr const char* kNames[] = {"open", "read",   "write", "fsync",  "close",
                                      "stat", "lstat",  "fstat", "rename", "renameat2",
                                      "link", "unlink", "mkdir", "flock",  "chmod"};
    return kNames[static_cast<int>(call)];
}

std::vector<int> ErrorsFor(FaultySystem::Call call) {
    using Call = FaultySystem::Call;
    using platform::sys::kHalfTransfer;
    switch (call) {
    case Call::Read:
        return {EIO, EINTR, kHalfTransfer};
    case Call::Write:
        return {ENOSPC, EINTR, kHalfTransfer};
    case Call::Mkdir:
        return {ENOSPC};
    case Call::RenameNoReplace:
        return {EIO, EINVAL};
    case Call::Flock:
        return {ENOLCK};
    case Call::Chmod:
        return {EPERM};
    default:
        return {EIO};
    }
}

} // namespace tarn::testing
