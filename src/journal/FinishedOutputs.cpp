#include "journal/FinishedOutputs.h"

#include "platform/SystemCalls.h"

#include <cerrno>
#include <map>
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
    // One sync of each file system, where that reaches the disk; else one of each file. Each
    // file gets its own answer: where the sync of its file system fails (it also tells of a
    // write-back error of any other file there), the file is synced on its own, so that only a
    // file whose own sync fails is lost.
    struct File {
        int fd;
        bool asAWhole;
        std::uint64_t device;
    };
    std::vector<File> files;
    for (const auto& output : syncing_) {
        files.push_back({output->Descriptor(), output->SyncsAsAWhole(), output->Identity().device});
    }
    fileSyncs_ = std::make_shared<std::vector<FileSync>>(files.size());
    auto sync = [files = std::move(files), answers = fileSyncs_] {
        std::map<std::uint64_t, bool> fileSystemSynced;
        int first = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (files[i].asAWhole) {
                const auto [synced, isNew] = fileSystemSynced.try_emplace(files[i].device);
                if (isNew) {
                    synced->second = platform::sys::Syncfs(files[i].fd) == 0;
                }
                if (synced->second) {
                    continue;
                }
            }
            FileSync& answer = (*answers)[i];
            answer = {platform::sys::Fsync(files[i].fd) == 0 ? 0 : errno, true};
            first = first != 0 ? first : answer.error;
        }
        return first;
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
    const std::shared_ptr<std::vector<FileSync>> answers = std::move(fileSyncs_);
    // Where each file was synced on its own, its folder is synced too, once.
    platform::FolderSyncs folders;
    std::vector<Status> outcomes;
    std::vector<NameJournal::Entry> records;
    std::vector<std::string> forgotten;
    for (std::size_t i = 0; i < group.size(); ++i) {
        const auto& output = group[i];
        const FileSync answer = answers != nullptr && i < answers->size()
                                    ? (*answers)[i]
                                    : FileSync{syncError, !output->SyncsAsAWhole()};
        Status durable = answer.error == 0 ? Status() : Status::Failure(answer.error);
        if (durable && answer.alone) {
            durable = folders.Of(output->Path());
        }
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
