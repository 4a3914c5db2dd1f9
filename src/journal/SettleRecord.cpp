#include "journal/SettleRecord.h"

#include <cerrno>

namespace tarn {

namespace {

using Kind = NameJournal::Kind;

// Whether the file found is the one the journal made. One recorded before it was made is known
// only by being empty: the journal notes it again before anything is written to it. A
// placeholder is empty whatever its number: where numbers are handed out anew at each mount
// (FUSE), another file may carry the old one.
bool MadeByTheJournal(const NameJournal::Entry& entry, const platform::FileInfo& found) {
    if (!found.regular) {
        return false;
    }
    if (entry.identity.inode == 0 || entry.kind == Kind::Placeholder) {
        return found.size == 0 &&
               (entry.identity.inode == 0 || platform::SameFile(entry.identity, found.identity));
    }
    return platform::SameFile(entry.identity, found.identity);
}

// Whether a started MP3 file known by its path (its number does not last) is as the run left it:
// no bigger than its record allows, and changed within the record's time, give or take the two
// seconds of a FAT time stamp.
bool AsTheRunLeftIt(const NameJournal::Entry& entry, const platform::FileInfo& found) {
    constexpr std::int64_t kTimeStampSlackNs = 3'000'000'000;
    return found.regular && found.size <= entry.size &&
           found.modified >= entry.modified - kTimeStampSlackNs &&
           found.modified <= entry.modified + kStartedWindowNs + kTimeStampSlackNs;
}

Status GiveNameBack(const NameJournal::Entry& entry, platform::PlaceholderNotes* notes) {
    Status done = platform::RenameNoReplace(entry.currentPath, entry.chosenPath, notes);
    // A rename made as a link and an unlink that stopped half-way left the file under both names.
    if (done.Error() == EEXIST) {
        const auto current = platform::InspectName(entry.currentPath);
        const auto chosen = platform::InspectName(entry.chosenPath);
        if (current && chosen && current->identity == chosen->identity) {
            done = platform::DeleteFile(entry.currentPath);
        }
    }
    return done;
}

} // namespace

Result<Settlement> SettleRecord(const NameJournal::Entry& entry,
                                platform::PlaceholderNotes* notes) {
    const Result<platform::FileInfo> found = platform::InspectName(entry.currentPath);
    if (!found) {
        const int error = found.Outcome().Error();
        if (error != ENOENT && error != ENOTDIR) {
            return found.Outcome();
        }
        // Not found: done already, or deleted, but only where its place is there.
        const Result<bool> there = platform::PlaceIsThere(entry.currentPath, entry.identity.device);
        if (!there) {
            return there.Outcome();
        }
        if (!*there) {
            return Settlement::NotConnected;
        }
        if (entry.kind == Kind::Renamed || entry.kind == Kind::OutputFinished) {
            if (const Result<bool> chosen = platform::Exists(entry.chosenPath); !chosen) {
                return chosen.Outcome();
            }
        }
        return Settlement::Settled;
    }
    if (entry.kind == Kind::OutputStarted && entry.identity.inode == platform::kKnownByPath &&
        !AsTheRunLeftIt(entry, *found)) {
        return Status::Failure("It has changed since the program wrote it, and is left as it is");
    }
    // Another file at the path is not the journal's to remove or to rename.
    const bool ours =
        entry.kind == Kind::Renamed ||
        (entry.kind == Kind::OutputFinished
             ? entry.identity.inode == 0 || platform::SameFile(entry.identity, found->identity)
             : MadeByTheJournal(entry, *found));
    if (!ours) {
        return Settlement::Settled;
    }
    const bool removed = entry.kind == Kind::Placeholder || entry.kind == Kind::OutputStarted;
    const Status done =
        removed ? platform::DeleteFile(entry.currentPath) : GiveNameBack(entry, notes);
    if (!done) {
        return done;
    }
    return Settlement::SettledOnceSynced;
}

} // namespace tarn
