#pragma once

#include "common/Status.h"
#include "journal/RunOutput.h"
#include "platform/SyncThread.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

// The MP3 files whose runs have ended, made durable together while the next file is encoded:
// one sync of their file system covers every file finished since the last one. A file is
// recorded finished, and so becomes the job's, only once its contents are durable; one whose
// own sync or record fails is removed as a run that ends early, and no other with it.
class FinishedOutputs {
public:
    void Add(std::unique_ptr<RunOutput> output) { waiting_.push_back(std::move(output)); }
    // Called on the window's thread when the answer of a sync in the background has come: the
    // files it covers may be settled then.
    void WhenAnswered(std::function<void()> answered) {
        answered_ = std::make_shared<std::function<void()>>(std::move(answered));
    }

    struct Settled {
        std::string path;
        Status outcome;
        // Where it failed: what its removal left undone.
        Status abandoned;
    };
    // The files whose sync has answered, each recorded finished or removed; queues the sync of
    // those finished since. With `waitForAll`, waits (the window handling its events) for every
    // file's sync. Without a journal nothing is recorded.
    std::vector<Settled> Settle(bool waitForAll, NameJournal* journal);

private:
    void HandOver();
    void Record(int syncError, NameJournal* journal, std::vector<Settled>& settled);

    // Finished since the last sync was handed over.
    std::vector<std::unique_ptr<RunOutput>> waiting_;
    // Covered by the sync under way.
    std::vector<std::unique_ptr<RunOutput>> syncing_;
    platform::SyncThread::Ticket ticket_;
    // The answer to the sync under way, once delivered.
    std::shared_ptr<std::optional<int>> answer_;
    std::shared_ptr<std::function<void()>> answered_;
    // The answer of a sync made without a sync thread.
    int syncError_ = 0;
    // The answer for each file of the sync under way, in the order of `syncing_`, and whether it
    // was synced on its own (its folder then wants a sync too).
    struct FileSync {
        int error = 0;
        bool alone = false;
    };
    std::shared_ptr<std::vector<FileSync>> fileSyncs_;
};

} // namespace tarn
