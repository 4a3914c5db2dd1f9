#pragma once

#include "common/Status.h"

#include <string>
#include <vector>

namespace tarn {

// A record on disk of the listed files that carry their cleaned name, and of the MP3 files a
// job writes, so that a program that was killed or a machine that stopped loses no name and
// leaves no half-written MP3 file: the next start puts them in order.
//
// It fails closed. A change is done only once it is durable: the journal is rewritten through
// a temporary file that is synced and renamed into place, and its folder is synced. A journal
// that cannot be read is never taken for an empty one: nothing is then rewritten or removed.
class NameJournal {
public:
    enum class Kind : char {
        // A listed WAV file under its cleaned name; it gets its chosen name back.
        Renamed = 'r',
        // An MP3 file being written; cut short, it is removed.
        OutputStarted = 's',
        // A finished MP3 file that takes the name formed from the chosen one.
        OutputFinished = 'f',
    };
    struct Entry {
        std::string currentPath;
        std::string chosenPath;
        Kind kind = Kind::Renamed;

        bool operator==(const Entry&) const = default;
    };

    explicit NameJournal(std::string path);

    // The default place: $XDG_STATE_HOME/tarnme/renames (~/.local/state when unset).
    static std::string DefaultPath();

    const std::string& Path() const { return path_; }

    // Notes that `currentPath` is about to carry, or carries, the name of `chosenPath`.
    Status Record(const std::string& currentPath, const std::string& chosenPath) {
        return Record({currentPath, chosenPath, Kind::Renamed});
    }
    // Replaces any record of the same current path.
    Status Record(const Entry& entry);
    // Forgets the record of a file whose name is settled; the caller has made that durable.
    Status Forget(const std::string& currentPath);
    // No journal holds no records.
    Result<std::vector<Entry>> Entries() const;

    struct Unsettled {
        Entry entry;
        std::string reason;
    };
    struct RecoveryReport {
        std::vector<Entry> restored;
        // Kept in the journal, for the next start to try again.
        std::vector<Unsettled> leftAlone;
        // A failure to read or to rewrite the journal itself.
        Status journal;
    };
    // Gives every recorded file its chosen name back where the name is free, and removes MP3
    // files that were cut short; forgets what was done and what no longer exists. A record of
    // a file that cannot be checked or put in order stays for the next start.
    RecoveryReport Recover();

private:
    Status Write(const std::vector<Entry>& entries) const;

    std::string path_;
    // Its folder is known to be on the disk, made by this start or an earlier one.
    mutable bool folderDurable_ = false;
};

} // namespace tarn
