#pragma once

#include "common/Status.h"
#include "journal/NameJournal.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tarn {

// Keeps the names of the files on disk and the records of the journal in step: it renames a
// listed file to its cleaned name once the rename is recorded, gives names back, and drops a
// record only once its step is durable.
//
// Every change of the list, the names or the journal runs through it, one at a time. While a
// change waits for the disk the window handles its events, and a handler may then ask for
// another change: that one is queued and runs once the change under way is done, never inside
// it.
class NameKeeper {
public:
    // A file that is still there but could not be given the name meant for it.
    struct NameNotGiven {
        std::string currentPath;
        std::string intendedPath;
        std::string reason;
        // Its folder is not there: a stick, card or share that is not connected.
        bool notConnected = false;
    };

    void UseJournal(NameJournal* journal) { journal_ = journal; }
    // The journal the renames note their placeholders in; null when there is none.
    NameJournal* Journal() const { return journal_; }

    // Runs `change` now when no other change is under way; otherwise it is queued and runs
    // after the changes queued before it.
    void Change(std::function<void()> change);
    bool ChangeUnderWay() const { return depth_ > 0; }
    // Called whenever the last change under way is done and no other is queued.
    void WhenIdle(std::function<void()> idle) { whenIdle_ = std::move(idle); }
    // Drops the changes still queued: the window has gone.
    void DropPending() { pending_.clear(); }

    // Renames a chosen file to its cleaned name, never over another file; the name is checked
    // free, and the rename recorded durably, before the rename.
    Status RenameToCleaned(const std::string& chosenPath, const std::string& cleanedPath);
    // Records the renames of many files to their cleaned names in one rewrite of the journal;
    // each pair is (chosen, cleaned). Nothing is renamed.
    Status RecordRenames(const std::vector<std::pair<std::string, std::string>>& files);
    // The rename of a recorded file; its record goes again where it fails.
    Status RenameRecorded(const std::string& chosenPath, const std::string& cleanedPath);
    // Gives a file its chosen name back; one that cannot get it keeps the name it has, and is
    // noted in `notGiven`.
    void GiveNameBack(const std::string& currentPath, const std::string& chosenPath,
                      std::vector<NameNotGiven>& notGiven);
    // After a rename back from `from` to `to`: its record goes once the rename is durable, or at
    // once for a file that is gone; a file that keeps its name is noted.
    void SettleName(const Status& renamed, const std::string& from, const std::string& to,
                    std::vector<NameNotGiven>& notGiven);
    // Removes a finished MP3 file that the job no longer keeps; its record goes with the next
    // drop once the removal is durable. False where the file stays, and its record with it.
    bool RemoveFinished(const std::string& path);
    // The record of a file whose name is settled goes with the next drop.
    void Forget(const std::string& currentPath) { recordsToDrop_.push_back(currentPath); }
    // Drops the records noted for dropping: one sync of each folder makes the renames in it
    // durable, and one rewrite of the journal drops them all.
    void DropSettledRecords();
    // The records that could not be dropped since this was last asked, each "path: reason".
    std::vector<std::string> TakeRecordsNotDropped();

    // Puts in order the names that an instance which did not end cleanly left behind.
    NameJournal::RecoveryReport Recover();

private:
    // The device the record of `path` was made on; 0 when unknown.
    std::uint64_t RecordedDevice(const std::string& path) const;
    // A refusal of the journal to record a cleaned name, told as such.
    Status NameNotRecorded(const Status& recorded) const;
    void RunNow(const std::function<void()>& change);

    NameJournal* journal_ = nullptr;
    // Renames back whose records go once the rename is durable: (from, to).
    std::vector<std::pair<std::string, std::string>> namesGiven_;
    std::vector<std::string> recordsToDrop_;
    std::vector<std::string> recordsNotDropped_;

    int depth_ = 0;
    bool draining_ = false;
    std::deque<std::function<void()>> pending_;
    std::function<void()> whenIdle_;
};

} // namespace tarn
