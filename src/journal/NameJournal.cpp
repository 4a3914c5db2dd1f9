#include "journal/NameJournal.h"

#include "common/PathParts.h"
#include "journal/JournalFormat.h"
#include "journal/SettleRecord.h"
#include "platform/SyncThread.h"
#include "platform/SystemCalls.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <string>
#include <string_view>
#include <unistd.h>

namespace tarn {

namespace sys = platform::sys;

namespace {

std::string FolderOf(const std::string& path) {
    return ParentFolder(path);
}

// What only the user may change: theirs, and no one else can write to it.
Status CheckOwn(const struct stat& info, const std::string& what) {
    if (info.st_uid != ::geteuid()) {
        std::string text = what + " belongs to another user";
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        return Status::Failure(text);
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return Status::Failure("Other users can write to " + what);
    }
    return {};
}

// The whole file; nothing when there is none.
Result<std::optional<std::string>> ReadWhole(const std::string& path) {
    const std::string folder = FolderOf(path);
    struct stat info {};
    if (sys::Lstat(folder.c_str(), &info) != 0) {
        return errno == ENOENT ? Result<std::optional<std::string>>(std::nullopt)
                               : Status::FromErrno();
    }
    if (!S_ISDIR(info.st_mode)) {
        return Status::Failure("The place of its folder " + folder + " is not a folder");
    }
    if (Status own = CheckOwn(info, "its folder " + folder); !own) {
        return own;
    }
    const sys::Descriptor file(
        sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK));
    if (!file.Valid()) {
        if (errno == ENOENT) {
            return std::optional<std::string>();
        }
        return errno == ELOOP ? Status::Failure("A link stands in its place") : Status::FromErrno();
    }
    if (sys::Fstat(file.Get(), &info) != 0) {
        return Status::FromErrno();
    }
    if (!S_ISREG(info.st_mode)) {
        return Status::Failure(EISDIR);
    }
    if (Status own = CheckOwn(info, "it"); !own) {
        return own;
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
    return std::optional(std::move(bytes));
}

// Writes the whole file and makes its contents durable. `fresh` where the file must be new.
Status WriteDurably(const std::string& path, const std::string& bytes, bool fresh = false) {
    sys::Descriptor file(
        sys::Open(path.c_str(),
                  O_WRONLY | O_CREAT | (fresh ? O_EXCL : O_TRUNC) | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!file.Valid()) {
        return Status::FromErrno();
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = sys::Write(file.Get(), bytes.data() + done, bytes.size() - done);
        if (written <= 0) {
            // A file system that takes nothing and says no error would keep this loop for ever.
            return written == 0 ? Status::Failure(EIO) : Status::FromErrno();
        }
        done += static_cast<std::size_t>(written);
    }
    if (Status synced = platform::SyncDescriptor(file.Get()); !synced) {
        return synced;
    }
    return file.Close();
}

// A temporary file beside the journal; `number` tells apart those of one process.
std::string TemporaryPath(const std::string& journal, unsigned number) {
    return journal + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(number);
}

// A name taken by a file left from an earlier process with the same number is passed over.
constexpr unsigned kTemporaryAttempts = 8;

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return home;
    }
    passwd account{};
    passwd* found = nullptr;
    std::array<char, 16384> buffer{};
    if (::getpwuid_r(::geteuid(), &account, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return {};
}

} // namespace

NameJournal::NameJournal(std::string path) : path_(std::move(path)) {}

std::string NameJournal::DefaultPath() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        return std::string(state) + "/tarnme/renames";
    }
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.local/state/tarnme/renames";
}

Result<std::string> NameJournal::ReadBytes() const {
    if (path_.empty()) {
        return Status::Failure("No home folder is known for it");
    }
    Result<std::optional<std::string>> bytes = ReadWhole(path_);
    if (!bytes) {
        return bytes.Outcome();
    }
    // No journal holds no records: the format's empty journal.
    return bytes->value_or(*SerializeJournal({}));
}

Result<std::vector<NameJournal::Entry>> NameJournal::Entries() const {
    const Result<std::string> bytes = ReadBytes();
    if (!bytes) {
        return bytes.Outcome();
    }
    return ParseJournal(*bytes);
}

Status NameJournal::Record(Entry entry) {
    return Update({std::move(entry)}, {});
}

Status NameJournal::Update(std::vector<Entry> records, const std::vector<std::string>& forgotten) {
    Result<std::vector<Entry>> entries = Entries();
    if (!entries) {
        return entries.Outcome();
    }
    const std::size_t before = entries->size();
    std::erase_if(*entries, [&](const Entry& e) {
        return e.kind != Kind::Placeholder && std::ranges::count(forgotten, e.currentPath) > 0;
    });
    if (records.empty() && entries->size() == before) {
        return {};
    }
    for (Entry& entry : records) {
        if (entry.identity.device == 0) {
            const Result<std::uint64_t> device = platform::FolderDevice(entry.currentPath);
            if (!device) {
                return device.Outcome();
            }
            entry.identity.device = *device;
        }
        const bool placeholder = entry.kind == Kind::Placeholder;
        std::erase_if(*entries, [&](const Entry& e) {
            return e.currentPath == entry.currentPath &&
                   (e.kind == Kind::Placeholder) == placeholder;
        });
        entries->push_back(std::move(entry));
    }
    return Write(*entries);
}

template <typename Matches> Status NameJournal::Drop(const Matches& matches) {
    Result<std::vector<Entry>> entries = Entries();
    if (!entries) {
        return entries.Outcome();
    }
    return std::erase_if(*entries, matches) == 0 ? Status() : Write(*entries);
}

Status NameJournal::NotePlaceholder(const std::string& path,
                                    const platform::FileIdentity& identity) {
    return Record({path, {}, Kind::Placeholder, identity});
}

Status NameJournal::DropPlaceholder(const std::string& path) {
    Status dropped =
        Drop([&](const Entry& e) { return e.currentPath == path && e.kind == Kind::Placeholder; });
    if (!dropped) {
        notesNotDropped_.push_back(path + ": " + dropped.Reason());
    }
    return dropped;
}

void NameJournal::RemoveLeftTemporaries() const {
    const std::string folder = FolderOf(path_);
    const std::string prefix = FileName(path_) + ".new";
    DIR* const listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        return;
    }
    // A write that a stop cut short left its file: the journal is whole without it.
    while (const dirent* entry = ::readdir(listing)) {
        if (std::string_view(entry->d_name).starts_with(prefix)) {
            static_cast<void>(sys::Unlink((folder + "/" + entry->d_name).c_str()));
        }
    }
    ::closedir(listing);
}

NameJournal::RecoveryReport NameJournal::Recover() {
    RecoveryReport report;
    RemoveLeftTemporaries();
    const Result<std::string> bytes = ReadBytes();
    Result<std::vector<Entry>> entries =
        bytes ? ParseJournal(*bytes) : Result<std::vector<Entry>>(bytes.Outcome());
    if (!entries) {
        report.journal = entries.Outcome();
        // What cannot be read whole is kept as it is, and a copy for the user.
        if (bytes) {
            const std::string copy = path_ + ".damaged";
            const Status kept = WriteDurably(copy, *bytes);
            report.journal = report.journal.Explained(
                report.journal.Reason() +
                (kept ? ". A copy of it is kept in " + copy
                      : ". A copy of it cannot be kept in " + copy + ": " + kept.Reason()));
        }
        return report;
    }
    // A placeholder goes first: it may hold the name that another record gives back.
    std::stable_partition(entries->begin(), entries->end(),
                          [](const Entry& e) { return e.kind == Kind::Placeholder; });
    std::vector<Entry> settled;
    std::vector<Entry> settledOnceSynced;
    for (const Entry& entry : *entries) {
        const Result<Settlement> settlement = SettleRecord(entry, this);
        if (!settlement) {
            report.leftAlone.push_back({entry, settlement.Outcome().Reason()});
        } else if (*settlement == Settlement::NotConnected) {
            report.notConnected.push_back(entry);
        } else {
            (*settlement == Settlement::Settled ? settled : settledOnceSynced).push_back(entry);
        }
    }
    // One sync of each folder makes every step in it durable.
    platform::FolderSyncs folders;
    for (const Entry& entry : settledOnceSynced) {
        if (const Status& synced = folders.Of(entry.currentPath); synced) {
            settled.push_back(entry);
        } else {
            report.leftAlone.push_back({entry, synced.Reason()});
        }
    }
    if (!settled.empty()) {
        report.journal = Drop([&](const Entry& e) { return std::ranges::count(settled, e) > 0; });
    }
    return report;
}

Status NameJournal::Write(const std::vector<Entry>& entries) const {
    // Changes run one at a time: a write asked for while another waits for the disk would read
    // and replace the journal underneath it.
    if (writing_) {
        ++nestedWrites_;
        return Status::Failure("Another change of it is under way");
    }
    writing_ = true;
    struct EndOfWrite {
        bool& writing;
        ~EndOfWrite() { writing = false; }
    } const end{writing_};
    return WriteNow(entries);
}

Status NameJournal::WriteNow(const std::vector<Entry>& entries) const {
    // Its last records go too only once that is durable: a power cut that brought back the
    // record of a finished MP3 file's start would have the next start remove the file.
    if (entries.empty()) {
        if (sys::Unlink(path_.c_str()) != 0) {
            return errno == ENOENT ? Status() : Status::FromErrno();
        }
        return platform::SyncFolderOf(path_);
    }
    if (!folderDurable_) {
        const std::string folder = FolderOf(path_);
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
    // A file of its own for each write, so that no two writes can ever share one.
    const Result<std::string> bytes = SerializeJournal(entries);
    if (!bytes) {
        return bytes.Outcome();
    }
    std::string temporary;
    Status written = Status::Failure(EEXIST);
    for (unsigned attempt = 0; attempt < kTemporaryAttempts && written.Error() == EEXIST;
         ++attempt) {
        temporary = TemporaryPath(path_, ++temporaries_);
        written = WriteDurably(temporary, *bytes, true);
    }
    if (written && sys::Rename(temporary.c_str(), path_.c_str()) != 0) {
        written = Status::FromErrno();
    }
    if (!written) {
        if (written.Error() != EEXIST) {
            static_cast<void>(sys::Unlink(temporary.c_str()));
        }
        return written;
    }
    return platform::SyncFolderOf(path_);
}

} // namespace tarn
