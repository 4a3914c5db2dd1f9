#include "support/DurabilityOrder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace tarn::testing {

namespace {

namespace fs = std::filesystem;
using Call = platform::sys::Call;
using Kind = NameJournal::Kind;

std::string FolderOf(const std::string& path) {
    return fs::path(path).parent_path().string();
}

} // namespace

DurabilityOrder::DurabilityOrder(std::string journal)
    : journal_(std::move(journal)), temporary_(journal_ + ".new"),
      records_(NameJournal(journal_).Entries().ValueOr({})), durable_(records_) {}

DurabilityOrder::DurabilityOrder(FaultySystem& system, std::string journal)
    : journal_(std::move(journal)), temporary_(journal_ + ".new") {
    system.Aside([this] { records_ = durable_ = NameJournal(journal_).Entries().ValueOr({}); });
    system.observer = [this](const FaultySystem::Note& note, int answer) {
        See(note, answer <= 0 || answer > platform::sys::kMadeThenFailed);
    };
}

DurabilityOrder::~DurabilityOrder() {
    EXPECT_EQ(violations, std::vector<std::string>());
}

void DurabilityOrder::ExpectAllDurable() const {
    EXPECT_EQ(durable_, records_);
}

void DurabilityOrder::See(const FaultySystem::Note& note, bool made) {
    const bool ofTheJournal = note.path == temporary_ || note.path == journal_;
    const bool movesAFile =
        note.call == Call::Rename || note.call == Call::RenameNoReplace || note.call == Call::Link;
    const bool anMp3 = note.path.ends_with(".mp3");
    if (!ofTheJournal && movesAFile) {
        // To the cleaned name, or the same move back (a name given back).
        ExpectGuarded(note.path, [&](const NameJournal::Entry& e) {
            return std::set{e.currentPath, e.chosenPath} == std::set{note.path, note.to};
        });
    } else if (note.call == Call::Open && anMp3) {
        ExpectGuarded(note.path, [&](const NameJournal::Entry& e) {
            return (e.kind == Kind::OutputStarted || e.kind == Kind::Placeholder) &&
                   e.currentPath == note.path;
        });
    }
    if (!made) {
        return;
    }
    if (note.call == Call::Fsync) {
        temporarySynced_ = temporarySynced_ || note.path == temporary_;
        unsyncedData_.erase(note.path);
        std::erase_if(unsyncedNames_,
                      [&](const std::string& name) { return FolderOf(name) == note.path; });
        if (note.path == FolderOf(journal_) && !unsyncedNames_.contains(FolderOf(journal_))) {
            durable_ = records_;
        }
    } else if (note.path == temporary_ && movesAFile && fs::exists(temporary_)) {
        if (!temporarySynced_) {
            violations.push_back("the journal is renamed into place unsynced");
        }
        Replace(NameJournal(temporary_).Entries().ValueOr({}));
    } else if (note.path == journal_ && note.call == Call::Unlink) {
        Replace({});
    } else if (note.path == temporary_) {
        temporarySynced_ = temporarySynced_ && note.call != Call::Open && note.call != Call::Write;
    } else if (note.call == Call::Mkdir || movesAFile ||
               (note.call == Call::Open && anMp3 && !fs::exists(note.path)) ||
               (note.call == Call::Unlink && std::ranges::any_of(records_, [&](auto& e) {
                    // Removing a file is a step to guard only for an MP3 file of a run.
                    return e.currentPath == note.path;
                }))) {
        // What a removed file held no longer matters; its name does, until it is synced.
        if (note.call == Call::Unlink) {
            unsyncedData_.erase(note.path);
        }
        unsyncedNames_.insert(note.path);
        if (movesAFile) {
            unsyncedNames_.insert(note.to);
        }
    } else if (note.call == Call::Write && anMp3) {
        unsyncedData_.insert(note.path);
    }
}

// A record guards the step in the journal as it is, and as a power cut would leave it.
template <typename Guards>
void DurabilityOrder::ExpectGuarded(const std::string& what, const Guards& guards) {
    if (!std::ranges::any_of(records_, guards)) {
        violations.push_back(what + " has no record");
    } else if (!std::ranges::any_of(durable_, guards)) {
        violations.push_back(what + " is touched before its record is durable");
    }
}

void DurabilityOrder::Replace(const std::vector<NameJournal::Entry>& next) {
    for (const NameJournal::Entry& record : records_) {
        // Noted again with the file's identity, a record stays.
        const bool stays = std::ranges::any_of(next, [&](const NameJournal::Entry& e) {
            return e.currentPath == record.currentPath && e.kind == record.kind;
        });
        if (!stays && (unsyncedNames_.contains(record.currentPath) ||
                       unsyncedNames_.contains(record.chosenPath) ||
                       unsyncedData_.contains(record.currentPath))) {
            violations.push_back("the record of " + record.currentPath +
                                 " goes before its step is durable");
        }
    }
    records_ = next;
}

} // namespace tarn::testing
