#pragma once

#include "common/Status.h"
#include "journal/NameJournal.h"

namespace tarn {

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
// A failure when the file cannot be checked or put in order.
Result<Settlement> SettleRecord(const NameJournal::Entry& entry, platform::PlaceholderNotes* notes);

} // namespace tarn
