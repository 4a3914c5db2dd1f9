#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace tarn::platform {

// The cores a CPU quota allows, rounded up, at least 1; none where there is no quota or the text
// cannot be read. cgroup v2 writes the quota in cpu.max as "QUOTA PERIOD" ("150000 100000" is
// one and a half cores, so 2) or "max PERIOD" where there is none.
std::optional<int> CoresFromCpuMax(std::string_view text);
// The same for cgroup v1's cpu.cfs_quota_us and cpu.cfs_period_us, where a quota of -1 is none.
std::optional<int> CoresFromCfs(long long quota, long long period);

// The smallest quota set on the process's cgroups, and on every parent of them, in the cgroup
// folders under `root` (/sys/fs/cgroup), given the text of /proc/self/cgroup. A parent's quota
// bounds its children too. None where no quota is set or none can be read.
std::optional<int> CgroupCores(const std::filesystem::path& root, std::string_view selfCgroup);

// The number of cores the process may use: the CPUs it may run on, bounded by its cgroups' CPU
// quota where one is set. At least 1.
int UsableCores();

} // namespace tarn::platform
