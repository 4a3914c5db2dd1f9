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
        observing_ = true;
        observer(note, answer);
        observing_ = false;
    }
    calls.push_back(std::move(note));
    return answer;
}

void FaultySystem::Opened(int fd, const char* path) {
    openFiles_[fd] = path;
}

const char* CallName(FaultySystem::Call call) {
    using Call = FaultySystem::Call;
    switch (call) {
    case Call::Open:
        return "open";
    case Call::Read:
        return "read";
    case Call::Write:
        return "write";
    case Call::Fsync:
        return "fsync";
    case Call::Close:
        return "close";
    case Call::Stat:
        return "stat";
    case Call::Lstat:
        return "lstat";
    case Call::Fstat:
        return "fstat";
    case Call::Rename:
        return "rename";
    case Call::RenameNoReplace:
        return "renameat2";
    case Call::Link:
        return "link";
    case Call::Unlink:
        return "unlink";
    case Call::Mkdir:
        return "mkdir";
    case Call::Flock:
        return "flock";
    case Call::Chmod:
        return "chmod";
    }
    return "?";
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
