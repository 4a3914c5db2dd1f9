#pragma once

#include <string>
#include <vector>

namespace tarn {

// A record on disk of the listed files that carry their cleaned name, so that a program that
// was killed or a machine that stopped loses no name: the next start gives the names back.
// Each change rewrites the journal through a temporary file and an atomic rename.
class NameJournal {
public:
    struct Entry {
        std::string currentPath;
        std::string chosenPath;

        bool operator==(const Entry&) const = default;
    };

    explicit NameJournal(std::string path);

    // The default place: $XDG_STATE_HOME/tarnme/renames (~/.local/state when unset).
    static std::string DefaultPath();

    const std::string& Path() const { return path_; }

    // Notes that `currentPath` is about to carry, or carries, the name of `chosenPath`.
    bool Record(const std::string& currentPath, const std::string& chosenPath);
    // Forgets the record of a file that has its chosen name back (or needs none any more).
    bool Forget(const std::string& currentPath);
    std::vector<Entry> Entries() const;

    struct RecoveryReport {
        std::vector<Entry> restored;
        std::vector<Entry> leftAlone;
    };
    // Gives every recorded file its chosen name back where the file still exists and the name
    // is free; forgets what was restored and what no longer exists. Files that cannot get their
    // name back are left alone and forgotten, so that they are reported only once.
    RecoveryReport Recover();

private:
    bool Write(const std::vector<Entry>& entries) const;

    std::string path_;
};

} // namespace tarn
