#include "platform/UsableCores.h"

#include "support/TempDir.h"

#include <climits>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace tarn::platform {
namespace {

using Cores = std::optional<int>;

// A quota rounds up to whole cores; "max", -1 and text that is not two numbers are no quota.
TEST(UsableCoresTest, ReadsTheQuotaOfEitherCgroupVersion) {
    for (const auto& [text, cores] : {std::pair<const char*, Cores>{"max 100000\n", std::nullopt},
                                      {"150000 100000\n", 2},
                                      {"200000 100000", 2},
                                      {"1 100000", 1},
                                      {" 300000  100000 \n", 3},
                                      {"100000", std::nullopt},
                                      {"", std::nullopt},
                                      {"x 100000", std::nullopt},
                                      {"100000 0", std::nullopt},
                                      {"100000 100000 5", std::nullopt},
                                      {"-1 100000", std::nullopt}}) {
        EXPECT_EQ(CoresFromCpuMax(text), cores) << text;
    }
    using Row = std::tuple<long long, long long, Cores>;
    for (const auto& [quota, period, cores] :
         {Row{-1, 100000, std::nullopt}, Row{0, 100000, std::nullopt}, Row{250000, 100000, 3},
          Row{100000, 100000, 1}, Row{99999, 100000, 1}, Row{100000, 0, std::nullopt},
          Row{LLONG_MAX, 1, INT_MAX}}) {
        EXPECT_EQ(CoresFromCfs(quota, period), cores) << quota << '/' << period;
    }
}

// The process's cgroups and their parents are read, v2 and v1 alike; the smallest quota wins.
TEST(UsableCoresTest, TheSmallestQuotaOnTheWayUpBounds) {
    using Files = std::map<std::string, std::string>;
    const Files v1{{"cpu,cpuacct/a/cpu.cfs_quota_us", "150000\n"},
                   {"cpu,cpuacct/a/cpu.cfs_period_us", "100000\n"}};
    using Row = std::tuple<Files, const char*, Cores>;
    for (const auto& [files, selfCgroup, cores] :
         {Row{{{"a/cpu.max", "max 100000"}, {"a/b/cpu.max", "300000 100000"}}, "0::/a/b\n", 3},
          Row{{{"a/cpu.max", "100000 100000"}, {"a/b/cpu.max", "300000 100000"}}, "0::/a/b\n", 1},
          // A container's own cgroup is the root it sees, whatever path the host gives.
          Row{{{"cpu.max", "200000 100000"}}, "0::/docker/x\n", 2},
          Row{{{"cpu.max", "200000 100000"}}, "0::/../elsewhere\n", std::nullopt},
          Row{v1, "4:memory:/a\n12:cpu,cpuacct:/a/b\n0::/a\n", 2},
          Row{{{"cpu/a/cpu.cfs_quota_us", "-1"}, {"cpu/a/cpu.cfs_period_us", "100000"}},
              "3:cpuacct,cpu:/a",
              std::nullopt},
          Row{{{"cpu/a/cpu.cfs_quota_us", "100000"}, {"cpu/a/cpu.cfs_period_us", "50000"}},
              "3:cpuacct,cpu:/a",
              2},
          Row{{{"cpuset/a/cpu.cfs_quota_us", "100000"}, {"cpuset/a/cpu.cfs_period_us", "50000"}},
              "3:cpuset:/a",
              std::nullopt},
          Row{v1, "", std::nullopt}}) {
        const testing::TempDir root;
        for (const auto& [path, text] : files) {
            std::filesystem::create_directories((root.Path() / path).parent_path());
            std::ofstream(root.Path() / path) << text;
        }
        EXPECT_EQ(CgroupCores(root.Path(), selfCgroup), cores) << selfCgroup;
    }
    EXPECT_GE(UsableCores(), 1);
    EXPECT_LE(UsableCores(), static_cast<int>(std::thread::hardware_concurrency()));
}

} // namespace
} // namespace tarn::platform
