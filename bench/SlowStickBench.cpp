// A whole job, from the add to "Job done!", on a fast disk and on a slow stick: there every sync
// of a file or folder under the music folder takes 300 ms, while the journal's disk stays fast.
// Prints how long the job takes against the lame command, and the longest time the window went
// without handling its events. Prints figures; asserts nothing.
//
//   tarn_slow_stick_bench [sync milliseconds]     (default: 300)

#include "BenchMusic.h"
#include "BenchWindow.h"
#include "journal/NameJournal.h"
#include "platform/Platform.h"
#include "platform/SyncThread.h"
#include "platform/SystemCalls.h"
#include "shell/frmMain.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace sys = tarn::platform::sys;
using tarn::bench::Milliseconds;
using tarn::bench::Seconds;
using tarn::bench::SelectItem;
using tarn::bench::SteadyClock;
using tarn::bench::WindowPlatform;
using namespace std::chrono_literals;

// Every sync of a file or a folder under `folder` takes `delay`, whichever thread makes it.
class SlowSyncs : public sys::Seam {
public:
    SlowSyncs(std::string folder, std::chrono::milliseconds delay)
        : folder_(std::move(folder)), delay_(delay) {
        sys::UseSeam(this);
    }
    ~SlowSyncs() override { sys::UseSeam(nullptr); }
    SlowSyncs(const SlowSyncs&) = delete;
    SlowSyncs& operator=(const SlowSyncs&) = delete;

    int Before(sys::Call call, int fd, const char* /*path*/, const char* /*to*/) override {
        bool slow = false;
        {
            const std::lock_guard lock(mutex_);
            const auto open = open_.find(fd);
            slow =
                fd >= 0 && open != open_.end() && open->second.starts_with(folder_) && IsSync(call);
            if (call == sys::Call::Close && open != open_.end()) {
                open_.erase(open);
            }
        }
        if (slow) {
            std::this_thread::sleep_for(delay_);
        }
        return 0;
    }
    void Opened(int fd, const char* path) override {
        const std::lock_guard lock(mutex_);
        open_[fd] = path;
    }

private:
    static bool IsSync(sys::Call call) {
        return call == sys::Call::Fsync || call == sys::Call::Syncfs;
    }

    std::string folder_;
    std::chrono::milliseconds delay_;
    std::mutex mutex_;
    std::map<int, std::string> open_;
};

struct Job {
    const char* name;
    int files;
    int seconds;
    const char* bitrate;
    int quality;
    std::vector<std::string> lameOptions;
};

struct Figures {
    double addBlockMs = 0;
    double jobSeconds = 0;
    double jobBlockMs = 0;
    double lameSeconds = 0;
    int troubles = 0;
};

// Lists the job's files (names with spaces, renamed while listed), encodes them, and then runs
// the lame command on the same files.
Figures RunJob(const Job& job, const std::string& folder, std::chrono::milliseconds syncDelay) {
    const std::string music = folder + "/music";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(music);
    std::vector<std::string> sources;
    for (int i = 0; i < job.files; ++i) {
        sources.push_back(music + "/take " + std::to_string(i + 1) + ".wav");
        tarn::bench::WriteMusic(sources.back(), job.seconds, static_cast<unsigned>(i));
    }

    Figures figures;
    {
        const SlowSyncs slow(music, syncDelay);
        WindowPlatform platform;
        tarn::bench::WindowWaits waits(platform);
        tarn::platform::SyncThread syncs(
            waits.Waiter(), waits.Waker(),
            [&](std::function<void()> completion) { platform.Post(std::move(completion)); });
        tarn::platform::UseSyncThread(&syncs);
        tarn::NameJournal journal(folder + "/state/renames");
        tarn::frmMain form(platform.Bundle());
        form.UseNameJournal(&journal);
        form.Form_Load();
        platform.Attach(form.Timers());
        SelectItem(form.cmbBitrate, job.bitrate);
        form.cmbQuality.SetListIndex(job.quality);

        platform.StartWatching();
        form.AddChosenFiles(sources);
        platform.Handled();
        figures.addBlockMs = Milliseconds(platform.longestBlock);

        const SteadyClock::time_point go = tarn::bench::RunJobToItsEnd(platform, form);
        figures.jobSeconds = Seconds(platform.jobDone - go);
        figures.jobBlockMs = Milliseconds(platform.longestBlock);
        figures.troubles = platform.troubles;
        tarn::platform::UseSyncThread(nullptr);
    }

    const SteadyClock::time_point start = SteadyClock::now();
    for (const std::string& source : sources) {
        std::vector<std::string> command{"lame", "--quiet", "-t", "-b", job.bitrate, "-m", "j"};
        command.insert(command.end(), job.lameOptions.begin(), job.lameOptions.end());
        command.push_back(source);
        command.push_back(folder + "/reference.mp3");
        if (!tarn::bench::Run(command)) {
            std::fprintf(stderr, "tarn_slow_stick_bench: lame failed on %s\n", source.c_str());
            ++figures.troubles;
        }
    }
    figures.lameSeconds = Seconds(SteadyClock::now() - start);
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    const std::chrono::milliseconds slowSync(argc > 1 ? std::atoi(argv[1]) : 300);
    if (!tarn::bench::Run({"lame", "--version"})) {
        std::fprintf(stderr, "tarn_slow_stick_bench: the lame command is missing\n");
        return 1;
    }
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tarn-slow-stick-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    // The items of the quality list: 0 "Low", 9 "Studio".
    const std::vector<Job> jobs{{"3 x 60 s Studio 320", 3, 60, "320", 9, {"-q", "0"}},
                                {"99 x 1 s Low 128", 99, 1, "128", 0, {"-q", "7"}}};
    // Wall time on a shared machine: the best of three runs, and the longest block of any.
    constexpr int kRuns = 3;
    std::printf("%-20s %-10s %12s %10s %9s %7s %13s\n", "job", "syncs", "add block", "Go to done",
                "lame", "ratio", "job block");
    int troubles = 0;
    for (const Job& job : jobs) {
        for (const std::chrono::milliseconds delay : {0ms, slowSync}) {
            Figures figures = RunJob(job, pattern + "/job", delay);
            for (int run = 1; run < kRuns; ++run) {
                const Figures again = RunJob(job, pattern + "/job", delay);
                figures.addBlockMs = std::max(figures.addBlockMs, again.addBlockMs);
                figures.jobBlockMs = std::max(figures.jobBlockMs, again.jobBlockMs);
                figures.jobSeconds = std::min(figures.jobSeconds, again.jobSeconds);
                figures.lameSeconds = std::min(figures.lameSeconds, again.lameSeconds);
                figures.troubles += again.troubles;
            }
            troubles += figures.troubles;
            std::printf("%-20s %-10s %10.0fms %9.2fs %8.2fs %7.3f %11.0fms\n", job.name,
                        delay == 0ms ? "fast" : (std::to_string(delay.count()) + " ms").c_str(),
                        figures.addBlockMs, figures.jobSeconds, figures.lameSeconds,
                        figures.jobSeconds / figures.lameSeconds, figures.jobBlockMs);
            std::fflush(stdout);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return troubles == 0 ? 0 : 1;
}
