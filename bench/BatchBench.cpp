// Eight files of 30 seconds encoded at Studio 320 kbit/s as one job through the window's Go, with
// a worker lane for each processor this process may run on, against the lame command on the same
// files: one file after the other, and as many at once as there are lanes (xargs -P). Then the
// same job with one lane and the same lame commands, the whole process held on one processor.
// Every MP3 file must be lame's, byte for byte; the longest time the window went without
// handling its events is shown too. Prints figures; asserts no timing.
//
//   tarn_batch_bench [lanes]     (default: the processors this process may run on)

#include "BenchMusic.h"
#include "BenchWindow.h"
#include "journal/NameJournal.h"
#include "platform/SyncThread.h"
#include "platform/Workers.h"
#include "shell/frmMain.h"
#include "shell/modGeneral.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using tarn::bench::Milliseconds;
using tarn::bench::Run;
using tarn::bench::Seconds;
using tarn::bench::SteadyClock;
using tarn::bench::WindowPlatform;
using namespace std::chrono_literals;

constexpr int kFiles = 8;
constexpr int kSeconds = 30;
// The item "Studio" of the quality list.
constexpr int kStudio = 9;

// The lame command that gives the bytes of "Studio" at 320 kbit/s, joint stereo.
std::vector<std::string> LameCommand() {
    return {"lame", "--quiet", "-t", "-b", "320", "-m", "j", "--resample", "44.1", "-q", "0"};
}

std::string Target(const std::string& folder, const std::string& source) {
    return folder + "/" + std::filesystem::path(source).stem().string() + ".mp3";
}

// Puts every thread of this process on the processors of `set`; the threads and programs it
// starts afterwards inherit them.
bool PinProcess(const cpu_set_t& set) {
    bool pinned = true;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        const pid_t thread = std::stoi(task.path().filename().string());
        pinned = ::sched_setaffinity(thread, sizeof set, &set) == 0 && pinned;
    }
    return pinned;
}

struct JobFigures {
    double seconds = 0;
    double blockMs = 0;
    int troubles = 0;
};

// The files listed and encoded as one job through the window's Go, with `lanes` worker lanes in
// place; the journal is kept in `state`.
JobFigures RunJob(const std::vector<std::string>& sources, const std::string& state, int lanes) {
    WindowPlatform platform;
    tarn::bench::WindowWaits waits(platform);
    tarn::platform::SyncThread syncs(
        waits.Waiter(), waits.Waker(),
        [&](std::function<void()> completion) { platform.Post(std::move(completion)); });
    tarn::platform::Workers workers(waits.Waiter(), waits.Waker(), lanes);
    tarn::platform::UseSyncThread(&syncs);
    tarn::platform::UseWorkers(&workers);
    JobFigures figures;
    {
        tarn::NameJournal journal(state + "/renames");
        tarn::frmMain form(platform.Bundle());
        form.UseNameJournal(&journal);
        form.Form_Load();
        platform.Attach(form.Timers());
        tarn::bench::SelectItem(form.cmbBitrate, "320");
        form.cmbQuality.SetListIndex(kStudio);
        form.AddChosenFiles(sources);

        const SteadyClock::time_point go = tarn::bench::RunJobToItsEnd(platform, form);
        figures.seconds = Seconds(platform.jobDone - go);
        figures.blockMs = Milliseconds(platform.longestBlock);
        figures.troubles = platform.troubles + (platform.jobDone < go ? 1 : 0);
    }
    tarn::platform::UseWorkers(nullptr);
    tarn::platform::UseSyncThread(nullptr);
    return figures;
}

// lame on each file, one after the other, into `folder`; the seconds taken, negative on failure.
double LameOneByOne(const std::vector<std::string>& sources, const std::string& folder) {
    std::filesystem::create_directories(folder);
    const SteadyClock::time_point start = SteadyClock::now();
    for (const std::string& source : sources) {
        std::vector<std::string> command = LameCommand();
        command.push_back(source);
        command.push_back(Target(folder, source));
        if (!Run(command)) {
            std::fprintf(stderr, "tarn_batch_bench: lame failed on %s\n", source.c_str());
            return -1;
        }
    }
    return Seconds(SteadyClock::now() - start);
}

// lame on `atOnce` files at a time (xargs -P), into `folder`; the seconds taken, negative on
// failure.
double LameAtOnce(const std::vector<std::string>& sources, const std::string& folder, int atOnce) {
    std::filesystem::create_directories(folder);
    const std::string list = folder + "/list";
    {
        std::ofstream out(list, std::ios::binary | std::ios::trunc);
        for (const std::string& source : sources) {
            out << source << '\0' << Target(folder, source) << '\0';
        }
    }
    std::vector<std::string> command{"xargs", "-0", "-a", list,
                                     "-n",    "2",  "-P", std::to_string(atOnce)};
    const std::vector<std::string> lame = LameCommand();
    command.insert(command.end(), lame.begin(), lame.end());
    const SteadyClock::time_point start = SteadyClock::now();
    if (!Run(command)) {
        std::fprintf(stderr, "tarn_batch_bench: xargs lame failed\n");
        return -1;
    }
    return Seconds(SteadyClock::now() - start);
}

// Our MP3 file of each source against lame's in `folder`, byte for byte; the number that differ.
// The files carry no tags, so nothing but lame's bytes may be there.
int Mismatches(const std::vector<std::string>& sources, const std::string& folder) {
    int mismatches = 0;
    for (const std::string& source : sources) {
        const std::string ours = tarn::ChangeExtension(source, "mp3");
        const std::vector<char> bytes = tarn::bench::ReadAll(ours);
        if (bytes.empty() || bytes != tarn::bench::ReadAll(Target(folder, source))) {
            std::printf("MISMATCH: %s is not lame's %s\n", ours.c_str(),
                        Target(folder, source).c_str());
            ++mismatches;
        }
    }
    return mismatches;
}

// The most memory the process has held so far.
long PeakKilobytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void RemoveOurs(const std::vector<std::string>& sources) {
    for (const std::string& source : sources) {
        std::error_code ignored;
        std::filesystem::remove(tarn::ChangeExtension(source, "mp3"), ignored);
    }
}

void PrintRow(const char* name, int lanes, const JobFigures& job, double lame, double atOnce) {
    std::printf("%-12s %5d %8.2fs %10.2fs %8.3f", name, lanes, job.seconds, lame,
                job.seconds / lame);
    if (atOnce > 0) {
        std::printf(" %10.2fs %9.3f", atOnce, job.seconds / atOnce);
    } else {
        std::printf(" %11s %9s", "-", "-");
    }
    std::printf(" %8.0f ms\n", job.blockMs);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    cpu_set_t usable;
    CPU_ZERO(&usable);
    if (::sched_getaffinity(0, sizeof usable, &usable) != 0) {
        std::perror("sched_getaffinity");
        return 1;
    }
    const int lanes = argc > 1 ? std::max(1, std::atoi(argv[1])) : CPU_COUNT(&usable);
    int firstCpu = 0;
    while (firstCpu < CPU_SETSIZE && !CPU_ISSET(firstCpu, &usable)) {
        ++firstCpu;
    }
    if (!Run({"lame", "--version"})) {
        std::fprintf(stderr, "tarn_batch_bench: the lame command is missing\n");
        return 1;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "tarn-batch-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string music = pattern + "/music";
    std::filesystem::create_directories(music);
    std::vector<std::string> sources;
    for (int i = 0; i < kFiles; ++i) {
        sources.push_back(music + "/song" + std::to_string(i + 1) + ".wav");
        tarn::bench::WriteMusic(sources.back(), kSeconds, static_cast<unsigned>(i));
    }

    std::string lameText;
    for (const std::string& word : LameCommand()) {
        lameText += (lameText.empty() ? "" : " ") + word;
    }
    std::printf("%d files of %d s, stereo 44100 Hz, Studio 320 kbit/s; lame: %s\n", kFiles,
                kSeconds, lameText.c_str());
    std::printf("%-12s %5s %9s %11s %8s %11s %9s %11s\n", "processors", "lanes", "job",
                "lame 1 by 1", "ratio", "xargs -P", "ratio", "job block");

    int troubles = 0;
    const long before = PeakKilobytes();
    const JobFigures all = RunJob(sources, pattern + "/state-all", lanes);
    const long peak = PeakKilobytes();
    const double lame = LameOneByOne(sources, pattern + "/lame-all");
    const double atOnce = LameAtOnce(sources, pattern + "/xargs", lanes);
    troubles += all.troubles + (lame < 0 || atOnce < 0 ? 1 : 0);
    const int mismatches = Mismatches(sources, pattern + "/lame-all");
    PrintRow(("all " + std::to_string(CPU_COUNT(&usable))).c_str(), lanes, all, lame, atOnce);

    // The whole process on one processor: the lane's thread, the sync thread and lame inherit it.
    RemoveOurs(sources);
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(firstCpu, &one);
    if (!PinProcess(one)) {
        std::perror("sched_setaffinity");
        ++troubles;
    }
    const JobFigures single = RunJob(sources, pattern + "/state-one", 1);
    const double lameOne = LameOneByOne(sources, pattern + "/lame-one");
    troubles += single.troubles + (lameOne < 0 ? 1 : 0);
    const int mismatchesOne = Mismatches(sources, pattern + "/lame-one");
    PinProcess(usable);
    PrintRow(("CPU " + std::to_string(firstCpu)).c_str(), 1, single, lameOne, -1);
    std::printf("Memory: %.1f MB before the batch job, %.1f MB at its peak.\n",
                static_cast<double>(before) / 1024, static_cast<double>(peak) / 1024);
    std::printf("Goals: job block at most 20 ms; on one processor, job / lame at most 1.02; "
                "memory at most 35 MB and 8 MB for each further lane.\n");

    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    if (mismatches + mismatchesOne > 0) {
        std::printf("MISMATCH: %d MP3 files differ from lame's\n", mismatches + mismatchesOne);
        return 1;
    }
    return troubles == 0 ? 0 : 1;
}
