#pragma once

#include "platform/SystemCalls.h"

#include <cerrno>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tarn::testing {

// A seam answer that ends the process at once, as a power cut or SIGKILL would.
inline constexpr int kStop = -2;

// While it exists every system call is noted; a chosen one fails once, and kinds can be refused.
class FaultySystem : public platform::sys::Seam {
public:
    using Call = platform::sys::Call;
    struct Note {
        Call call;
        std::string path; // for a call on a descriptor, the path it was opened by
        std::string to;
        std::thread::id thread = std::this_thread::get_id();
    };

    // The call with number `failAt` (the first one noted is 1) gets `answer` once.
    explicit FaultySystem(std::size_t failAt = 0, int answer = 0)
        : failAt_(failAt), answer_(answer) {
        platform::sys::UseSeam(this);
    }
    ~FaultySystem() override { platform::sys::UseSeam(nullptr); }
    FaultySystem(const FaultySystem&) = delete;
    FaultySystem& operator=(const FaultySystem&) = delete;

    // Every call of this kind (with `pathEnd`, on a path that ends so) fails with `error`.
    void Refuse(Call call, int error, std::string pathEnd = "") {
        refused_[call] = {error, std::move(pathEnd)};
    }
    // From call `from` on, the paths `gone` picks are not there (a pulled stick): ENOENT, or EIO.
    void Pull(std::size_t from, std::function<bool(const std::string&)> gone) {
        pulledFrom_ = from;
        gone_ = std::move(gone);
    }
    // Sees each call and the answer it gets (0: made as it is); its own calls pass unnoted.
    std::function<void(const Note&, int answer)> observer;

    // Runs `work` with its calls let by unnoted.
    template <typename Work> void Aside(Work work) {
        observing_ = true;
        work();
        observing_ = false;
    }

    std::vector<Note> calls;

    int Before(Call call, int fd, const char* path, const char* to) override {
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
        const bool refusing =
            refused != refused_.end() && note.path.ends_with(refused->second.second);
        const int answer = calls.size() + 1 == failAt_ ? answer_
                           : pulled                    ? (path != nullptr ? ENOENT : EIO)
                           : refusing                  ? refused->second.first
                                                       : 0;
        if (answer == kStop) {
            ::_exit(0);
        }
        if (observer) {
            Aside([&] { observer(note, answer); });
        }
        calls.push_back(std::move(note));
        return answer;
    }
    void Opened(int fd, const char* path) override { openFiles_[fd] = path; }

private:
    std::size_t failAt_, pulledFrom_ = 0;
    int answer_;
    std::map<int, std::string> openFiles_;
    std::map<Call, std::pair<int, std::string>> refused_;
    std::function<bool(const std::string&)> gone_;
    bool observing_ = false;
};

// The errors worth trying on a call of this kind.
inline std::vector<int> ErrorsFor(FaultySystem::Call call) {
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
