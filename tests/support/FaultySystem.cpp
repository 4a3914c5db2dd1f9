#include "support/FaultySystem.h"

#include <cerrno>
#include <unistd.h>

namespace tarn::testing {

int FaultySystem::Before(Call call, int fd, const char* path, const char* to) {
    if (observing_) {
        return 0;
    }
    std::string about = path != nullptr ? path : (fd >= 0 ? openFiles_[fd] : "");
    Note note{call, std::move(about), to != nullptr ? to : ""};
    if (call == Call::Close) {
        openFiles_.erase(fd);
    }
    const auto refused = refused_.find(call);
    const bool pulled = pulledFrom_ != 0 && calls.size() + 1 >= pulledFrom_ &&
                        (gone_(note.path) || (!note.to.empty() && gone_(note.to)));
    const int answer = calls.size() + 1 == failAt_ ? answer_
                       : pulled                    ? (path != nullptr ? ENOENT : EIO)
                       : refused == refused_.end() || !note.path.ends_with(refused->second.second)
                           ? 0
                           : refused->second.first;
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
    using Call = FaultySystem::Call;
    using platform::sys::kHalfTransfer;
    using platform::sys::kMadeThenFailed;
    static const std::map<FaultySystem::Call, std::vector<int>> kErrors{
        {Call::Read, {EIO, EINTR, kHalfTransfer}},
        {Call::Write, {ENOSPC, EINTR, kHalfTransfer}},
        {Call::Mkdir, {ENOSPC}},
        {Call::RenameNoReplace, {EIO, EINVAL, kMadeThenFailed + EIO}},
        // A share whose reply was lost, or that answers a call made again after an interruption.
        {Call::Rename, {EIO, kMadeThenFailed + EIO, kMadeThenFailed + EINTR}},
        {Call::Unlink, {EIO, kMadeThenFailed + EIO, kMadeThenFailed + EINTR}},
        {Call::Flock, {ENOLCK}},
        {Call::Chmod, {EPERM}}};
    const auto found = kErrors.find(call);
    return found != kErrors.end() ? found->second : std::vector<int>{EIO};
}

} // namespace tarn::testing
