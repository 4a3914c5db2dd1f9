#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarn {

// The exit status of a start with an option the program does not know.
inline constexpr int kUsageExitStatus = 2;

// The most files --jobs lets a job encode at once. More gains nothing on the machines the program
// runs on, and each run holds an encoder, its buffers and two open files.
inline constexpr int kMaxJobs = 64;

// What a start asks to be printed instead of the window.
enum class InfoRequest { None, Help, Version };

// What the program was started with: the files to list once the window is shown, or the first
// argument that is an option rather than a file.
struct CommandLine {
    std::vector<std::string> files;
    std::optional<std::string> unknownOption;
    // The value given to --jobs when it is not a count from 1 to kMaxJobs ("" when none is).
    std::optional<std::string> badJobs;
    // How many files a job may encode at once, when --jobs says so.
    std::optional<int> jobs;
    InfoRequest info = InfoRequest::None;
};

// Reads the arguments that follow the program's name. Every argument is a file, except those
// starting with "-" before a lone "--". "--jobs N" (or "--jobs=N") sets the count, the last one
// given counting; of the others, the first decides: "--help", "--version" or an unknown option,
// as does a --jobs without a fitting count. Relative paths are joined to `currentFolder` as they
// are, links and ".." left alone, since the file list compares paths as they were chosen.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& currentFolder);

// The one line shown on standard error for an unknown option or a --jobs value that is not a
// fitting count; none for a command line the program takes.
std::optional<std::string> UsageError(const CommandLine& commandLine);
// How many files a job may encode at once: as --jobs says, else one for each core the program
// may use, at most kMaxJobs.
int JobsAtOnce(const CommandLine& commandLine);
// What --help prints: the usage and what the program does.
std::string HelpText();

// The process's current folder, or an empty string when it cannot be read (it may have been
// removed); relative paths then stay as they were given.
std::string CurrentFolder();

} // namespace tarn
