#include "filelist/NameJournal.h"

#include "platform/FileOps.h"
#include "platform/SystemCalls.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>

namespace tarn {

namespace sys = platform::sys;

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

std::vector<NameJournal::Entry> Parse(const std::string& bytes) {
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
    std::vector<NameJournal::Entry> entries;
    const std::size_t width = withKinds ? 3 : 2;
    for (std::size_t i = 0; i + width <= fields.size(); i += width) {
        if (!withKinds) {
            entries.push_back({fields[i], fields[i + 1], NameJournal::Kind::Renamed});
        } else if (IsKind(fields[i])) {
            entries.push_back(
                {fields[i + 1], fields[i + 2], static_cast<NameJournal::Kind>(fields[i][0])});
        }
    }
    return entries;
}

std::string Serialize(const std::vector<NameJournal::Entry>& entries) {
    std::string bytes(kHeader);
    for (const NameJournal::Entry& entry : entries) {
        bytes += static_cast<char>(entry.kind);
        bytes += kSeparator;
        bytes += entry.currentPath;
        bytes += kSeparator;
        bytes += entry.chosenPath;
        bytes += kSeparator;
    }
    return bytes;
}

// The whole file; empty when there is none.
Result<std::string> ReadWhole(const std::string& path) {
    const sys::Descriptor file(sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!file.Valid()) {
        return errno == ENOENT ? Result<std::string>(std::string()) : Status::FromErrno();
    }
    std::string bytes;
    std::array<char, 16384> buffer{};
    ssize_t got = 0;
    while ((got = sys::Read(file.Get(), buffer.data(), buffer.size())) > 0) {
        bytes.append(buffer.data(), static_cast<std::size_t>(got));
    }
    if (got != 0) {
        return Status::FromErrno();
    }
    return bytes;
}

// Writes the whole file and makes its contents durable.
Status WriteDurably(const std::string& path, const std::string& bytes) {
    sys::Descriptor file(sys::Open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!file.Valid()) {
        return Status::FromErrno();
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = sys::Write(file.Get(), bytes.data() + done, bytes.size() - done);
        if (written == -1) {
            return Status::FromErrno();
        }
        done += static_cast<std::size_t>(written);
    }
    if (sys::Fsync(file.Get()) != 0) {
        return Status::FromErrno();
    }
    return file.Close();
}

// Puts the record's file in order; true when something was done, false when nothing was left
// to do.
Result<bool> Settle(const NameJournal::Entry& entry) {
    Result<bool> there = platform::Exists(entry.currentPath);
    if (!there || !*there) {
        // Cannot be checked; or the rename never happened, or the file was put in order already.
        return there;
    }
    Status done = entry.kind == NameJournal::Kind::OutputStarted
                      ? platform::DeleteFile(entry.currentPath)
                      : platform::RenameNoReplace(entry.currentPath, entry.chosenPath);
    // A rename made as a link and an unlink that stopped half-way left the file under both names.
    if (done.Error() == EEXIST) {
        const auto current = platform::Inspect(entry.currentPath);
        const auto chosen = platform::Inspect(entry.chosenPath);
        if (current && chosen && current->identity == chosen->identity) {
            done = platform::DeleteFile(entry.currentPath);
        }
    }
    if (done) {
        done = platform::SyncFolderOf(entry.currentPath);
    }
    if (!done) {
        return done;
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

Result<std::vector<NameJournal::Entry>> NameJournal::Entries() const {
    const Result<std::string> bytes = ReadWhole(path_);
    if (!bytes) {
        return bytes.Outcome();
    }
    return Parse(*bytes);
}

Status NameJournal::Record(const Entry& entry) {
    Result<std::vector<Entry>> entries = Entries();
    if (!entries) {
        return entries.Outcome();
    }
    std::erase_if(*entries, [&](const Entry& e) { return e.currentPath == entry.currentPath; });
    entries->push_back(entry);
    return Write(*entries);
}

Status NameJournal::Forget(const std::string& currentPath) {
    Result<std::vector<Entry>> entries = Entries();
    if (!entries) {
        return entries.Outcome();
    }
    const auto removed =
        std::erase_if(*entries, [&](const Entry& e) { return e.currentPath == currentPath; });
    return removed == 0 ? Status() : Write(*entries);
}

NameJournal::RecoveryReport NameJournal::Recover() {
    RecoveryReport report;
    const Result<std::vector<Entry>> entries = Entries();
    if (!entries) {
        report.journal = entries.Outcome();
        return report;
    }
    std::vector<Entry> kept;
    for (const Entry& entry : *entries) {
        const Result<bool> settled = Settle(entry);
        if (!settled) {
            kept.push_back(entry);
            report.leftAlone.push_back({entry, settled.Outcome().Reason()});
        } else if (*settled) {
            report.restored.push_back(entry);
        }
    }
    if (kept.size() != entries->size()) {
        report.journal = Write(kept);
    }
    return report;
}

Status NameJournal::Write(const std::vector<Entry>& entries) const {
    // Its last records go too only once that is durable: a power cut that brought back the
    // record of a finished MP3 file's start would have the next start remove the file.
    if (entries.empty()) {
        if (sys::Unlink(path_.c_str()) != 0) {
            return errno == ENOENT ? Status() : Status::FromErrno();
        }
        return platform::SyncFolderOf(path_);
    }
    const auto slash = path_.find_last_of('/');
    if (!folderDurable_ && slash != std::string::npos) {
        const std::string folder = path_.substr(0, slash);
        Status made = platform::CreateFolders(folder);
        // Made before perhaps, by a start that could not make it durable.
        if (made) {
            made = platform::SyncFolderOf(folder);
        }
        if (!made) {
            return made;
        }
        folderDurable_ = true;
    }
    const std::string temporary = path_ + ".new";
    Status written = WriteDurably(temporary, Serialize(entries));
    if (written && sys::Rename(temporary.c_str(), path_.c_str()) != 0) {
        written = Status::FromErrno();
    }
    if (!written) {
        static_cast<void>(sys::Unlink(temporary.c_str()));
        return written;
    }
    return platform::SyncFolderOf(path_);
}

} // namespace tarn
