#pragma once

#include "common/Status.h"
#include "platform/FileOps.h"

#include <string>
#include <utility>
#include <vector>

namespace tarn {

// A record on disk of the listed files that carry their cleaned name, and of the MP3 files a
// job writes, so that a program that was killed or a machine that stopped loses no name and
// leaves no half-written MP3 file: the next start puts them in order.
//
// It fails closed. A change is done only once it is durable: the journal is rewritten through
// a temporary file that is synced and renamed into place, and its folder is synced. A journal
// that cannot be read, or not read whole, is never taken for an empty one: nothing is then
// rewritten or removed. It is the user's own: a journal or folder that another user owns or
// can write to is refused, and so is a link in the journal's place.
class NameJournal : public platform::PlaceholderNotes {
public:
    enum class Kind : char {
        // A listed WAV file under its cleaned name; it gets its chosen name back.
        Renamed = 'r',
        // An MP3 file being written; cut short, it is removed.
        OutputStarted = 's',
        // A finished MP3 file that takes the name formed from the chosen one.
        OutputFinished = 'f',
        // An empty file that holds a name for a rename; left behind, it is removed.
        Placeholder = 'p',
    };
    struct Entry {
        std::string currentPath;
        std::string chosenPath;
        Kind kind = Kind::Renamed;
        // The device its folder is on, and for a file the journal makes, the file's inode (0
        // when it was recorded before the file was made).
        platform::FileIdentity identity;
        // For an MP3 file being written where files are known by their path (numbered anew at
        // each mount): the most bytes it holds, and when it was recorded (nanoseconds since
        // 1970). The run records it again before it writes past either (see SettleRecord.h), so
        // that a file there now is the run's only where it fits both.
        std::int64_t size = 0;
        std::int64_t modified = 0;

        bool operator==(const Entry&) const = default;
    };

    explicit NameJournal(std::string path);

    // $XDG_STATE_HOME/tarnme/renames, else in ~/.local/state with the home folder of HOME or of
    // the user's account; empty when there is none, and the journal then refuses every record.
    static std::string DefaultPath();

    const std::string& Path() const { return path_; }

    // Notes that `currentPath` is about to carry, or carries, the name of `chosenPath`.
    Status Record(const std::string& currentPath, const std::string& chosenPath) {
        return Record({currentPath, chosenPath, Kind::Renamed});
    }
    // Replaces any record of the same current path (placeholders apart). The device of its
    // folder is noted where the entry does not give it.
    Status Record(Entry entry);
    // Forgets the record of a file whose name is settled; the caller has made that durable.
    Status Forget(const std::string& currentPath) { return Update({}, {currentPath}); }
    // Records and forgets many files in one rewrite, as Record and Forget do one.
    Status Update(std::vector<Entry> records, const std::vector<std::string>& forgotten);
    // No journal holds no records.
    Result<std::vector<Entry>> Entries() const;

    Status NotePlaceholder(const std::string& path,
                           const platform::FileIdentity& identity) override;
    // A note that cannot be dropped is kept for the user to be told of (the rename it served is
    // done): each as "path: reason", until taken.
    Status DropPlaceholder(const std::string& path) override;
    std::vector<std::string> TakeNotesNotDropped() { return std::exchange(notesNotDropped_, {}); }

    struct Unsettled {
        Entry entry;
        std::string reason;
    };
    struct RecoveryReport {
        // Kept in the journal, for the next start to try again.
        std::vector<Unsettled> leftAlone;
        // Kept too: their folder is not there (a stick, card or share not connected).
        std::vector<Entry> notConnected;
        // A failure to read or to rewrite the journal itself.
        Status journal;
    };
    // Gives every recorded file its chosen name back where the name is free, and removes the
    // MP3 files it made that were cut short, and its placeholders; forgets what was done and
    // what is no longer there where its folder is. A record of a file that cannot be checked or
    // put in order, or whose folder is not there, stays for the next start. A damaged journal
    // is left as it is, with a copy beside it for the user.
    RecoveryReport Recover();

private:
    Result<std::string> ReadBytes() const;
    // Removes the temporary files of writes that never ended.
    void RemoveLeftTemporaries() const;
    // Refuses a write while another is under way (its syncs let the window handle events).
    Status Write(const std::vector<Entry>& entries) const;
    Status WriteNow(const std::vector<Entry>& entries) const;
    template <typename Matches> Status Drop(const Matches& matches);

    std::string path_;
    // Its folder is known to be on the disk, made by this start or an earlier one.
    mutable bool folderDurable_ = false;
    std::vector<std::string> notesNotDropped_;
    mutable bool writing_ = false;
    mutable unsigned temporaries_ = 0;

public:
    // Writes refused because another was under way, in every journal of this process: changes
    // that ran inside one another. None are expected.
    static int NestedWrites() { return nestedWrites_; }

private:
    static inline int nestedWrites_ = 0;
};

} // namespace tarn
