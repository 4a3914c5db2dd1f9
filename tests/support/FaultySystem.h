#pragma once

#include "platform/SystemCalls.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tarn::testing {

// A seam answer that ends the process at once, as a power cut or SIGKILL would.
inline constexpr int kStop = -2;

// The system as a failing disk or a poor file system leaves it: while it exists, every system
// call of the program is noted with the paths it is about, and a chosen one can be made to fail
// once (an error, half a transfer, or the end of the process); whole kinds of call can be
// refused throughout.
class FaultySystem : public platform::sys::Seam {
public:
    using Call = platform::sys::Call;
    struct Note {
        Call call;
        std::string path; // for a call on a descriptor, the path it was opened by
        std::string to;
    };

    FaultySystem() { platform::sys::UseSeam(this); }
    ~FaultySystem() override { platform::sys::UseSeam(nullptr); }
    FaultySystem(const FaultySystem&) = delete;
    FaultySystem& operator=(const FaultySystem&) = delete;

    // The call with this number (the first one noted is 1) gets `answer` once.
    void FailAt(std::size_t number, int answer) {
        failAt_ = number;
        answer_ = answer;
    }
    // Every call of this kind fails with `error`, as on a file system that lacks it.
    void Refuse(Call call, int error) { refused_[call] = error; }
    // Seen before each call is made, with the answer it is to get (0 when it is made as it
    // is); the calls the observer makes itself pass by unnoted.
    std::function<void(const Note&, int answer)> observer;

    // Runs `work` with its calls let by unnoted.
    template <typename Work> void Aside(Work work) {
        observing_ = true;
        work();
        observing_ = false;
    }

    std::vector<Note> calls;

    int Before(Call call, int fd, const char* path, const char* to) override;
    void Opened(int fd, const char* path) override { openFiles_[fd] = path; }

private:
    std::map<int, std::string> openFiles_;
    std::map<Call, int> refused_;
    std::size_t failAt_ = 0;
    int answer_ = 0;
    bool observing_ = false;
};

// A name for the kind of call, for failure messages.
const char* CallName(FaultySystem::Call call);
// The errors worth trying on a call of this kind.
std::vector<int> ErrorsFor(FaultySystem::Call call);

} // namespace tarn::testing
