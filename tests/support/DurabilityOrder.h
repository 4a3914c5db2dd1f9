#pragma once

#include "filelist/NameJournal.h"
#include "support/FaultySystem.h"

#include <set>
#include <string>
#include <vector>

namespace tarn::testing {

// Follows the calls a program makes and says where a power cut could lose a name or leave a
// cut-short file under a chosen name: a user's file is moved, and an MP3 file made, only while
// a durable record guards the step; a record goes only once the step it guarded is durable.
class DurabilityOrder {
public:
    // The journal's records at the start are on the disk.
    explicit DurabilityOrder(std::string journal);
    // Follows every call of the system from now on.
    DurabilityOrder(FaultySystem& system, std::string journal);
    // Whatever went against the order, unless it was taken out of `violations`.
    ~DurabilityOrder();
    DurabilityOrder(const DurabilityOrder&) = delete;
    DurabilityOrder& operator=(const DurabilityOrder&) = delete;

    // A call about to be made, and whether it will be made.
    void See(const FaultySystem::Note& note, bool made);
    // With nothing failed, the journal as it is, as a power cut would leave it.
    void ExpectAllDurable() const;

    std::vector<std::string> violations;

private:
    template <typename Guards> void ExpectGuarded(const std::string& what, const Guards& guards);
    void Replace(const std::vector<NameJournal::Entry>& next);

    std::string journal_;
    std::string temporary_;
    std::vector<NameJournal::Entry> records_;
    // Names made, moved or removed, and files written, since they were last synced.
    std::set<std::string> unsyncedNames_;
    std::set<std::string> unsyncedData_;
    // The records a power cut would leave.
    std::vector<NameJournal::Entry> durable_;
    bool temporarySynced_ = false;
};

} // namespace tarn::testing
