#include "BenchMusic.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <numbers>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace tarn::bench {

namespace {

void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

double CpuSeconds(const struct timeval& user, const struct timeval& system) {
    return static_cast<double>(user.tv_sec + system.tv_sec) +
           static_cast<double>(user.tv_usec + system.tv_usec) / 1e6;
}

} // namespace

void WriteMusic(const std::string& path, int seconds, unsigned seed) {
    constexpr int kRate = 44100;
    const auto frames = static_cast<std::uint32_t>(seconds * kRate);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(44 + frames * 4);
    bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
    Put(bytes, 36 + frames * 4, 4);
    bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put(bytes, 16, 4);
    Put(bytes, 1, 2);
    Put(bytes, 2, 2);
    Put(bytes, kRate, 4);
    Put(bytes, kRate * 4, 4);
    Put(bytes, 4, 2);
    Put(bytes, 16, 2);
    bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
    Put(bytes, frames * 4, 4);
    std::uint32_t noise = seed * 2654435761U + 1;
    const double root = 110.0 * (1.0 + 0.07 * seed);
    for (std::uint32_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / kRate;
        // The chord changes every two seconds.
        const double base = root * std::pow(2.0, static_cast<double>((f / (2 * kRate)) % 5) / 12);
        for (int channel = 0; channel < 2; ++channel) {
            double value = 0.0;
            for (const double ratio : {1.0, 1.25, 1.5, 2.0, 3.0, 5.0}) {
                value += std::sin(2.0 * std::numbers::pi * base * ratio * t + channel) / ratio;
            }
            noise = noise * 1664525U + 1013904223U;
            value = 0.2 * value + 0.02 * (static_cast<double>(noise >> 8) / (1U << 24) - 0.5);
            Put(bytes,
                static_cast<std::uint16_t>(static_cast<std::int16_t>(
                    std::clamp(std::lround(value * 32767.0), -32768L, 32767L))),
                2);
        }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::vector<char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The processor time this process has used so far.
double OwnCpuSeconds() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return CpuSeconds(usage.ru_utime, usage.ru_stime);
}

bool Run(const std::vector<std::string>& arguments, double* cpuSeconds) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return false;
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child) {
        return false;
    }
    if (cpuSeconds != nullptr) {
        *cpuSeconds += CpuSeconds(usage.ru_utime, usage.ru_stime);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace tarn::bench
