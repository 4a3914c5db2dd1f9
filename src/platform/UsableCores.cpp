#include "platform/UsableCores.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <fstream>
#include <iterator>
#include <memory>
#include <sched.h>
#include <string>
#include <thread>

namespace tarn::platform {

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\n") - first + 1);
}

// A whole number that is all of `text`, bar the spaces and line ends around it.
std::optional<long long> Number(std::string_view text) {
    text = Trimmed(text);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> FileText(const std::filesystem::path& path) {
    std::ifstream file(path);
    if (!file) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::optional<int> Smaller(std::optional<int> a, std::optional<int> b) {
    if (a && b) {
        return std::min(*a, *b);
    }
    return a ? a : b;
}

// The quota of one cgroup folder, v2's or v1's, whichever it holds.
std::optional<int> FolderCores(const std::filesystem::path& folder) {
    if (const auto cpuMax = FileText(folder / "cpu.max")) {
        return CoresFromCpuMax(*cpuMax);
    }
    const auto quota = FileText(folder / "cpu.cfs_quota_us");
    const auto period = FileText(folder / "cpu.cfs_period_us");
    if (!quota || !period) {
        return std::nullopt;
    }
    const auto quotaNumber = Number(*quota);
    const auto periodNumber = Number(*period);
    return quotaNumber && periodNumber ? CoresFromCfs(*quotaNumber, *periodNumber) : std::nullopt;
}

// The smallest quota of the cgroup at `path` under `hierarchy` and of its parents up to the
// hierarchy's root. A path that climbs out of it ("/.." seen from a cgroup namespace) names no
// folder of ours.
std::optional<int> PathCores(const std::filesystem::path& hierarchy, std::string_view path) {
    const std::filesystem::path relative = std::filesystem::path(path).relative_path();
    std::filesystem::path folder = hierarchy;
    std::optional<int> cores = FolderCores(folder);
    for (const auto& part : relative) {
        if (part == "..") {
            return std::nullopt;
        }
        if (part.empty() || part == ".") {
            continue;
        }
        folder /= part;
        cores = Smaller(cores, FolderCores(folder));
    }
    return cores;
}

// The CPUs the process may run on; a set too small for the machine's CPUs is made larger.
int AffinityCpus() {
    for (int cpus = 1024; cpus <= (1 << 20); cpus *= 2) {
        const std::unique_ptr<cpu_set_t, void (*)(cpu_set_t*)> set(
            CPU_ALLOC(cpus), [](cpu_set_t* s) { CPU_FREE(s); });
        if (!set) {
            break;
        }
        const std::size_t size = CPU_ALLOC_SIZE(cpus);
        if (sched_getaffinity(0, size, set.get()) == 0) {
            return CPU_COUNT_S(size, set.get());
        }
        if (errno != EINVAL) {
            break;
        }
    }
    return static_cast<int>(std::thread::hardware_concurrency());
}

} // namespace

std::optional<int> CoresFromCpuMax(std::string_view text) {
    text = Trimmed(text);
    const auto space = text.find(' ');
    if (space == std::string_view::npos) {
        return std::nullopt;
    }
    // "max", no quota, is no number either.
    const auto quota = Number(text.substr(0, space));
    const auto period = Number(text.substr(space + 1));
    return quota && period ? CoresFromCfs(*quota, *period) : std::nullopt;
}

std::optional<int> CoresFromCfs(long long quota, long long period) {
    if (quota <= 0 || period <= 0) {
        return std::nullopt;
    }
    const long long cores = quota / period + (quota % period != 0 ? 1 : 0);
    return static_cast<int>(std::min<long long>(cores, INT_MAX));
}

std::optional<int> CgroupCores(const std::filesystem::path& root, std::string_view selfCgroup) {
    std::optional<int> cores;
    while (!selfCgroup.empty()) {
        const auto lineEnd = selfCgroup.find('\n');
        const std::string_view line = selfCgroup.substr(0, lineEnd);
        selfCgroup =
            lineEnd == std::string_view::npos ? std::string_view() : selfCgroup.substr(lineEnd + 1);
        // "ID:CONTROLLERS:PATH": v2's one line is "0::PATH", v1 has one for each hierarchy.
        const auto first = line.find(':');
        const auto second = first == std::string_view::npos ? first : line.find(':', first + 1);
        if (second == std::string_view::npos) {
            continue;
        }
        const std::string_view controllers = line.substr(first + 1, second - first - 1);
        const std::string_view path = line.substr(second + 1);
        if (controllers.empty()) {
            cores = Smaller(cores, PathCores(root, path));
            continue;
        }
        // v1 mounts the cpu controller's hierarchy under the names of its controllers
        // ("cpu,cpuacct"), most often with a link named "cpu".
        std::string list(1, ',');
        list.append(controllers).push_back(',');
        if (list.find(",cpu,") != std::string::npos) {
            cores = Smaller(cores, PathCores(root / std::string(controllers), path));
            if (controllers != "cpu") {
                cores = Smaller(cores, PathCores(root / "cpu", path));
            }
        }
    }
    return cores;
}

int UsableCores() {
    const std::optional<std::string> selfCgroup = FileText("/proc/self/cgroup");
    const std::optional<int> quota =
        selfCgroup ? CgroupCores("/sys/fs/cgroup", *selfCgroup) : std::nullopt;
    return std::max(1, std::min(AffinityCpus(), quota.value_or(INT_MAX)));
}

} // namespace tarn::platform
