#include "filelist/NameJournal.h"

#include "platform/FileOps.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace tarn {

namespace {

// Records are two paths, each ended by a NUL, the one character no path can hold.
constexpr char kSeparator = '\0';

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

NameJournal::NameJournal(std::string path) : path_(std::move(path)) {}

std::string NameJournal::DefaultPath() {
    std::string base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        base = state;
    } else if (const char* home = std::getenv("HOME"); home != nullptr) {
        base = std::string(home) + "/.local/state";
    } else {
        base = "/tmp";
    }
    return base + "/tarnme/renames";
}

std::vector<NameJournal::Entry> NameJournal::Entries() const {
    std::ifstream in(path_, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<Entry> entries;
    std::size_t start = 0;
    while (true) {
        const auto first = bytes.find(kSeparator, start);
        if (first == std::string::npos) {
            break;
        }
        const auto second = bytes.find(kSeparator, first + 1);
        if (second == std::string::npos) {
            break; // a record cut short by a crash while writing: nothing was renamed yet
        }
        entries.push_back(
            {bytes.substr(start, first - start), bytes.substr(first + 1, second - first - 1)});
        start = second + 1;
    }
    return entries;
}

bool NameJournal::Record(const std::string& currentPath, const std::string& chosenPath) {
    auto entries = Entries();
    std::erase_if(entries, [&](const Entry& e) { return e.currentPath == currentPath; });
    entries.push_back({currentPath, chosenPath});
    return Write(entries);
}

bool NameJournal::Forget(const std::string& currentPath) {
    auto entries = Entries();
    const auto removed =
        std::erase_if(entries, [&](const Entry& e) { return e.currentPath == currentPath; });
    return removed == 0 || Write(entries);
}

NameJournal::RecoveryReport NameJournal::Recover() {
    RecoveryReport report;
    for (const Entry& entry : Entries()) {
        if (!platform::FileExists(entry.currentPath)) {
            // The rename never happened, or the file was given its name back already.
            continue;
        }
        if (platform::RenameNoReplace(entry.currentPath, entry.chosenPath)) {
            report.restored.push_back(entry);
        } else {
            report.leftAlone.push_back(entry);
        }
    }
    Write({});
    return report;
}

bool NameJournal::Write(const std::vector<Entry>& entries) const {
    std::error_code error;
    const std::filesystem::path journal(path_);
    if (entries.empty()) {
        std::filesystem::remove(journal, error);
        return !error;
    }
    std::filesystem::create_directories(journal.parent_path(), error);
    std::string bytes;
    for (const Entry& entry : entries) {
        bytes += entry.currentPath;
        bytes += kSeparator;
        bytes += entry.chosenPath;
        bytes += kSeparator;
    }
    const std::string temporary = path_ + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path_.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace tarn
