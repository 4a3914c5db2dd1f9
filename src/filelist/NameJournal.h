#pragma once

#include <string>
#include <vector>

namespace tarn {

// A record on disk of the listed files that carry their cleaned name, and of the MP3 files a
// job writes, so that a program that was killed or a machine that stopped loses no name and
// leaves no half-written MP3 file: the next start puts them in order. Each change rewrites the
// journal through a temporary file and an atomic rename.
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
    bool Record(const std::string& currentPath, const std::string& chosenPath) {
        return Record({currentPath, chosenPath, Kind::Renamed});
    }
    // Replaces any record of the same current path.
    bool Record(const Entry& entry);
    // Forgets the record of a file that has its chosen name back (or needs none any more).
    bool Forget(const std::string& currentPath);
    std::vector<Entry> Entries() const;

    struct RecoveryReport {
        std::vector<Entry> restored;
        std::vector<Entry> leftAlone;
    };
    // Gives every recorded file its chosen name back where the file still exists and the name
    // is free, and removes MP3 files that were cut short; forgets what was done and what no
    // longer exists. Files that cannot be put in order are left alone and forgotten, so that
    // they are reported only once.
    RecoveryReport Recover();

private:
    bool Write(const std::vector<Entry>& entries) const;

    std::string path_;
};

} // namespace tarn
