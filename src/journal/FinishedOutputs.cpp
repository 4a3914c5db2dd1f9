#include "journal/FinishedOutputs.h"

#include "platform/SystemCalls.h"

#include <cerrno>
#include <set>
#include <utility>

namespace tarn {

std::vector<FinishedOutputs::Settled> FinishedOutputs::Settle(bool waitForAll,
                                                              NameJournal* journal) {
    std::vector<Settled> settled;
    platform::SyncThread* const thread = platform::CurrentSyncThread();
    for (;;) {
        if (!syncing_.empty() && (thread == nullptr || waitForAll || answer_->has_value())) {
            // Its own hold on the request: the wait may outlive the member.
            const platform::SyncThread::Ticket ticket = std::exchange(ticket_, {});
            const int error = thread != nullptr ? thread->Wait(ticket) : syncError_;
            Record(error, journal, settled);
        }
        if (waiting_.empty() || !syncing_.empty()) {
            return settled;
        }
        HandOver();
        if (thread != nullptr && !waitForAll) {
            return settled;
        }
    }
}

void FinishedOutputs::HandOver() {
    syncing_ = std::move(waiting_);
    waiting_.clear();
    // One sync of each file system, where that reaches the disk; else one of each file.
    std::vector<int> fileSystems;
    std::vector<int> files;
    std::set<std::uint64_t> devices;
    for (const auto& output : syncing_) {
        if (!output->SyncsAsAWhole()) {
            files.push_back(output->Descriptor());
        } else if (devices.insert(output->Identity().device).second) {
            fileSystems.push_back(output->Descriptor());
        }
    }
    auto sync = [fileSystems, files] {
        for (const int fd : fileSystems) {
            if (platform::sys::Syncfs(fd) != 0) {
                return errno;
            }
        }
        for (const int fd : files) {
            if (platform::sys::Fsync(fd) != 0) {
                return errno;
            }
        }
        return 0;
    };
    platform::SyncThread* const thread = platform::CurrentSyncThread();
    if (thread == nullptr) {
        syncError_ = sync();
        return;
    }
    answer_ = std::make_shared<std::optional<int>>();
    // Delivered on the window's thread; outlives neither the answer nor the listener.
    ticket_ = thread->QueueInBackground(
        std::move(sync), [answer = answer_, listener = std::weak_ptr(answered_)](int error) {
            *answer = error;
            if (const auto answered = listener.lock(); answered && *answered) {
                (*answered)();
            }
        });
}

void FinishedOutputs::Record(int syncError, NameJournal* journal, std::vector<Settled>& settled) {
    const std::vector<std::unique_ptr<RunOutput>> group = std::move(syncing_);
    syncing_.clear();
    Status durable = syncError == 0 ? Status() : Status::Failure(syncError);
    // Where each file was synced on its own, its folder is synced too, once.
    platform::FolderSyncs folders;
    for (const auto& output : group) {
        if (durable && !output->SyncsAsAWhole()) {
            durable = folders.Of(output->Path());
        }
    }
    std::vector<Status> outcomes;
    std::vector<NameJournal::Entry> records;
    std::vector<std::string> forgotten;
    for (const auto& output : group) {
        outcomes.push_back(durable ? output->CloseSynced() : durable);
        if (outcomes.back()) {
            if (output->NeedsFinishedRecord()) {
                records.push_back(output->FinishedRecord());
            } else {
                forgotten.push_back(output->Path());
            }
        }
    }
    Status recorded;
    if (journal != nullptr && (!records.empty() || !forgotten.empty())) {
        recorded = journal->Update(std::move(records), forgotten);
    }
    for (std::size_t i = 0; i < group.size(); ++i) {
        Status outcome =
            outcomes[i] && !recorded ? group[i]->JournalRefusal(recorded) : outcomes[i];
        Status abandoned;
        if (outcome) {
            group[i]->Settle();
        } else {
            abandoned = group[i]->Abandon();
        }
        settled.push_back({group[i]->Path(), std::move(outcome), std::move(abandoned)});
    }
}

} // namespace tarn
