#include "filelist/NameJournal.h"

#include "platform/FileOps.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <unistd.h>

namespace tarn {

namespace {

// Fields are ended by a NUL, the one character no path can hold. A record is its kind and two
// paths. A journal without the header was written before records had kinds: its records are
// two paths, each a renamed WAV file.
constexpr char kSeparator = '\0';
constexpr std::string_view kHeader{"tarnme-journal-2\0", 17};

bool IsKind(const std::string& field) {
    using Kind = NameJournal::Kind;
    return field.size() == 1 && (field[0] == static_cast<char>(Kind::Renamed) ||
                                 field[0] == static_cast<char>(Kind::OutputStarted) ||
                                 field[0] == static_cast<char>(Kind::OutputFinished));
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
    // Reading a folder would throw; a journal that is not a file holds nothing.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path_, error)) {
        return {};
    }
    std::ifstream in(path_, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const bool withKinds = bytes.starts_with(kHeader);
    std::vector<std::string> fields;
    // A field cut short by a crash while writing has no NUL: nothing was renamed for it yet.
    for (std::size_t start = withKinds ? kHeader.size() : 0;;) {
        const auto end = bytes.find(kSeparator, start);
        if (end == std::string::npos) {
            break;
        }
        fields.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    std::vector<Entry> entries;
    const std::size_t width = withKinds ? 3 : 2;
    for (std::size_t i = 0; i + width <= fields.size(); i += width) {
        if (!withKinds) {
            entries.push_back({fields[i], fields[i + 1], Kind::Renamed});
        } else if (IsKind(fields[i])) {
            entries.push_back({fields[i + 1], fields[i + 2], static_cast<Kind>(fields[i][0])});
        }
    }
    return entries;
}

bool NameJournal::Record(const Entry& entry) {
    auto entries = Entries();
    std::erase_if(entries, [&](const Entry& e) { return e.currentPath == entry.currentPath; });
    entries.push_back(entry);
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
            // The rename never happened, or the file was put in order already.
            continue;
        }
        const bool done = entry.kind == Kind::OutputStarted
                              ? platform::DeleteFile(entry.currentPath).Ok()
                              : platform::RenameNoReplace(entry.currentPath, entry.chosenPath).Ok();
        (done ? report.restored : report.leftAlone).push_back(entry);
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
    std::string bytes(kHeader);
    for (const Entry& entry : entries) {
        bytes += static_cast<char>(entry.kind);
        bytes += kSeparator;
        bytes += entry.currentPath;
        bytes += kSeparator;
        bytes += entry.chosenPath;
        bytes += kSeparator;
    }
    const std::string temporary = path_ + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd == -1) {
        return false;
    }
    // A write to a regular file is whole unless it fails.
    const bool written =
        ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
        ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path_.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace tarn
