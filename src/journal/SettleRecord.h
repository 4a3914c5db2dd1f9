#pragma once

#include "common/Status.h"
#include "journal/NameJournal.h"

#include <cstdint>

namespace tarn {

// An MP3 file being written where files are known by their path is recorded again before the
// run writes more than its record allows, or later than this after the record was made.
inline constexpr std::int64_t kStartedSlackBytes = std::int64_t{1} << 20;
inline constexpr std::int64_t kStartedWindowNs = 5'000'000'000;

enum class Settlement {
    // Nothing was left to do: the record can go.
    Settled,
    // The file is put in order: the record can go once its folder is synced.
    SettledOnceSynced,
    // Neither the file nor its folder is there: a stick, card or share that is not connected.
    NotConnected,
};

// Puts the recorded file in order: a renamed one gets its chosen name back (where the name is
// free), an MP3 file or a placeholder the journal made is removed, but only when it is that file.
// A failure when the file cannot be checked or put in order, or when an MP3 file known by its
// path is not as the run left it: it stays, and the user is told.
Result<Settlement> SettleRecord(const NameJournal::Entry& entry, platform::PlaceholderNotes* notes);

} // namespace tarn
