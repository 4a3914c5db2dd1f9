#include "journal/NameKeeper.h"

#include "platform/FileOps.h"

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace tarn {

void NameKeeper::RunNow(const std::function<void()>& change) {
    ++depth_;
    try {
        change();
    } catch (...) {
        --depth_;
        throw;
    }
    --depth_;
}

void NameKeeper::Change(std::function<void()> change) {
    if (depth_ > 0) {
        pending_.push_back(std::move(change));
        return;
    }
    RunNow(change);
    // The changes asked for meanwhile run by the loop below, each after the one before.
    if (draining_) {
        return;
    }
    draining_ = true;
    struct EndOfDrain {
        bool& draining;
        ~EndOfDrain() { draining = false; }
    } const end{draining_};
    do {
        while (!pending_.empty()) {
            const std::function<void()> next = std::move(pending_.front());
            pending_.pop_front();
            RunNow(next);
        }
        if (whenIdle_) {
            whenIdle_();
        }
    } while (!pending_.empty());
}

Status NameKeeper::RenameToCleaned(const std::string& chosenPath, const std::string& cleanedPath) {
    // The name is known to be free before anything is recorded: a record must never lead the
    // next start to another file that had the cleaned name.
    const Result<bool> taken = platform::Exists(cleanedPath);
    if (!taken || *taken) {
        return taken ? Status::Failure(EEXIST) : taken.Outcome();
    }
    // The record is durable before the rename: should the program die between the two, the next
    // start finds the file under its chosen name and has nothing to do.
    if (journal_ != nullptr) {
        if (Status recorded = NameNotRecorded(journal_->Record(cleanedPath, chosenPath));
            !recorded) {
            return recorded;
        }
    }
    return RenameRecorded(chosenPath, cleanedPath);
}

Status NameKeeper::RecordRenames(const std::vector<std::pair<std::string, std::string>>& files) {
    if (journal_ == nullptr) {
        return {};
    }
    std::vector<NameJournal::Entry> records;
    records.reserve(files.size());
    for (const auto& [chosenPath, cleanedPath] : files) {
        records.push_back({cleanedPath, chosenPath, NameJournal::Kind::Renamed});
    }
    return NameNotRecorded(journal_->Update(std::move(records), {}));
}

Status NameKeeper::NameNotRecorded(const Status& recorded) const {
    return recorded.Explained("Its name cannot be recorded in " + journal_->Path() + ": " +
                              recorded.Reason());
}

Status NameKeeper::RenameRecorded(const std::string& chosenPath, const std::string& cleanedPath) {
    Status renamed = platform::RenameNoReplace(chosenPath, cleanedPath, journal_);
    if (!renamed) {
        Forget(cleanedPath);
    }
    return renamed;
}

void NameKeeper::GiveNameBack(const std::string& currentPath, const std::string& chosenPath,
                              std::vector<NameNotGiven>& notGiven) {
    SettleName(platform::RenameNoReplace(currentPath, chosenPath, journal_), currentPath,
               chosenPath, notGiven);
}

void NameKeeper::SettleName(const Status& renamed, const std::string& from, const std::string& to,
                            std::vector<NameNotGiven>& notGiven) {
    if (renamed) {
        namesGiven_.emplace_back(from, to);
        return;
    }
    if (renamed.Error() != ENOENT) {
        // Its record stays: the next start tries again.
        notGiven.push_back({from, to, renamed.Reason()});
        return;
    }
    // Not there any more: deleted, where its folder is there; else on a stick, card or share
    // that is not connected, and its record stays for the start that finds it back.
    const Result<bool> there = platform::PlaceIsThere(from, RecordedDevice(from));
    if (!there) {
        notGiven.push_back({from, to, there.Outcome().Reason()});
    } else if (*there) {
        Forget(from);
    } else {
        notGiven.push_back({from, to, renamed.Reason(), true});
    }
}

bool NameKeeper::RemoveFinished(const std::string& path) {
    Status removed = platform::DeleteFile(path);
    if (removed.Error() == ENOENT) {
        // Gone already, where its folder is there; on a stick that is not connected it may be
        // found again, and its record stays.
        const Result<bool> there = platform::PlaceIsThere(path, RecordedDevice(path));
        removed = there.ValueOr(false) ? Status() : removed;
    } else if (removed) {
        removed = platform::SyncFolderOf(path);
    }
    if (removed) {
        Forget(path);
    }
    return removed.Ok();
}

std::uint64_t NameKeeper::RecordedDevice(const std::string& path) const {
    const auto entries =
        journal_ != nullptr ? journal_->Entries() : std::vector<NameJournal::Entry>();
    if (entries) {
        for (const NameJournal::Entry& entry : *entries) {
            if (entry.currentPath == path && entry.kind != NameJournal::Kind::Placeholder) {
                return entry.identity.device;
            }
        }
    }
    return 0;
}

void NameKeeper::DropSettledRecords() {
    const auto given = std::exchange(namesGiven_, {});
    std::vector<std::string> dropped = std::exchange(recordsToDrop_, {});
    if (journal_ == nullptr) {
        return;
    }
    // Until a rename has reached the disk, a power cut could undo it: the record that would redo
    // it goes only then. A record whose folder cannot be synced stays, for the next start.
    platform::FolderSyncs folders;
    for (const auto& [from, to] : given) {
        if (folders.Of(to)) {
            dropped.push_back(from);
        }
    }
    // A record that cannot be forgotten stays: mostly it leads the next start to a file in order
    // already; at worst that start gives back a name meant to stay changed.
    if (const Status forgotten = journal_->Update({}, dropped); !forgotten) {
        for (const std::string& path : dropped) {
            recordsNotDropped_.push_back(path + ": " + forgotten.Reason());
        }
    }
}

std::vector<std::string> NameKeeper::TakeRecordsNotDropped() {
    if (journal_ != nullptr) {
        std::ranges::move(journal_->TakeNotesNotDropped(), std::back_inserter(recordsNotDropped_));
    }
    return std::exchange(recordsNotDropped_, {});
}

NameJournal::RecoveryReport NameKeeper::Recover() {
    return journal_ != nullptr ? journal_->Recover() : NameJournal::RecoveryReport{};
}

} // namespace tarn
