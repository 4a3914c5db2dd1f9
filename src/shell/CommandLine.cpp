#include "shell/CommandLine.h"

#include "platform/UsableCores.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

namespace tarn {

namespace {

std::string Absolute(std::string path, const std::string& currentFolder) {
    if (path.empty() || path.front() == '/' || currentFolder.empty()) {
        return path;
    }
    // "./a.wav" from a shell: the leading "./" would only show up in the full-path rows.
    while (path.starts_with("./")) {
        path.erase(0, path.find_first_not_of('/', 2));
    }
    return currentFolder + (currentFolder.back() == '/' ? "" : "/") + path;
}

// A count for --jobs: digits alone, from 1 to kMaxJobs.
std::optional<int> JobCount(const std::string& text) {
    int count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end != text.data() + text.size() || count < 1 || count > kMaxJobs) {
        return std::nullopt;
    }
    return count;
}

constexpr char kUsage[] = "tarnme [--jobs N] [--] [FILE.wav...]";

} // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& currentFolder) {
    CommandLine result;
    bool optionsEnded = false;
    for (auto next = arguments.begin(); next != arguments.end(); ++next) {
        const std::string& argument = *next;
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && (argument == "--jobs" || argument.starts_with("--jobs="))) {
            std::string value;
            if (argument != "--jobs") {
                value = argument.substr(argument.find('=') + 1);
            } else if (next + 1 != arguments.end()) {
                value = *++next;
            }
            result.jobs = JobCount(value);
            if (!result.jobs) {
                result.badJobs = value;
                result.files.clear();
                return result;
            }
            continue;
        }
        if (!optionsEnded && argument.starts_with('-')) {
            if (argument == "--help") {
                result.info = InfoRequest::Help;
            } else if (argument == "--version") {
                result.info = InfoRequest::Version;
            } else {
                result.unknownOption = argument;
            }
            result.files.clear();
            return result;
        }
        result.files.push_back(Absolute(argument, currentFolder));
    }
    return result;
}

std::optional<std::string> UsageError(const CommandLine& commandLine) {
    const std::string usage = std::string("; usage: ") + kUsage;
    if (commandLine.unknownOption) {
        return "tarnme: unknown option '" + *commandLine.unknownOption + "'" + usage;
    }
    if (commandLine.badJobs) {
        const std::string& value = *commandLine.badJobs;
        return "tarnme: --jobs takes a whole number from 1 to " + std::to_string(kMaxJobs) +
               (value.empty() ? "" : ", not '" + value + "'") + usage;
    }
    return std::nullopt;
}

int JobsAtOnce(const CommandLine& commandLine) {
    return commandLine.jobs.value_or(std::min(platform::UsableCores(), kMaxJobs));
}

std::string HelpText() {
    return std::string("Usage: ") + kUsage +
           "\n"
           "       tarnme --help | --version\n"
           "\n"
           "Tarn MP3 Encoder turns PCM WAV files (44.1 or 48 kHz, 8 or 16 bits) into MP3 files\n"
           "beside them. It opens its window with the given files in its list; the bit rate,\n"
           "mono or stereo, the quality preset and the header flags are chosen there, and Go\n"
           "encodes every listed file, several at once. While the program runs, a start with\n"
           "files adds them to the window already open, and ends.\n"
           "\n"
           "  --jobs N   encode up to N files at once, N from 1 to 64; by default as many\n"
           "             as the processor cores the program may use (at most 64)\n"
           "  --         every later argument is a file, even one starting with \"-\"\n"
           "  --help     print this help and exit\n"
           "  --version  print the version and exit\n";
}

std::string CurrentFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string() : folder.string();
}

} // namespace tarn
