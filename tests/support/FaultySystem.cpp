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

std::vector<int> ErrorsFor(FaultySystem::Call call) {
    using enum FaultySystem::Call;
    using platform::sys::kHalfTransfer;
    static const std::map<FaultySystem::Call, std::vector<int>> kErrors{
        {Read, {EIO, EINTR, kHalfTransfer}},
        {Write, {ENOSPC, EINTR, kHalfTransfer}},
        {Mkdir, {ENOSPC}},
        {RenameNoReplace, {EIO, EINVAL}},
        {Flock, {ENOLCK}},
        {Chmod, {EPERM}}};
    const auto found = kErrors.find(call);
    return found != kErrors.end() ? found->second : std::vector<int>{EIO};
}

} // namespace tarn::testing
