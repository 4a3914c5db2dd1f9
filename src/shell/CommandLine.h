#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarn {

// The exit status of a start with an option the program does not know.
inline constexpr int kUsageExitStatus = 2;

// What a start asks to be printed instead of the window.
enum class InfoRequest { None, Help, Version };

// What the program was started with: the files to list once the window is shown, or the first
// argument that is an option rather than a file.
struct CommandLine {
    std::vector<std::string> files;
    std::optional<std::string> unknownOption;
    InfoRequest info = InfoRequest::None;
};

// Reads the arguments that follow the program's name. Every argument is a file, except those
// starting with "-" before a lone "--"; of those, the first decides: "--help", "--version" or an
// unknown option. Relative paths are joined to `currentFolder` as they
// are, links and ".." left alone, since the file list compares paths as they were chosen.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& currentFolder);

// The one line shown on standard error for an unknown option.
std::string UsageLine(const std::string& unknownOption);
// What --help prints: the usage and what the program does.
std::string HelpText();

// The process's current folder, or an empty string when it cannot be read (it may have been
// removed); relative paths then stay as they were given.
std::string CurrentFolder();

} // namespace tarn
