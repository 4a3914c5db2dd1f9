#pragma once

#include "journal/NameJournal.h"

#include <string>
#include <vector>

namespace tarn {

// What the user reads of records whose files are in a folder that is not there (a USB stick,
// a memory card or a network folder not connected): each folder, the files in it by the names
// they have and will have, and when their names come back.
std::string NotConnectedText(const std::vector<NameJournal::Entry>& records);

// What is to become of a record's file, as the messages that list records say it: "cut short, to
// be removed", "empty, to be removed", or "to be " and `chosen` (the name a listed WAV file gets
// back, or a finished MP3 file takes), given as the message shows it: a file name or a path.
std::string RecordKindText(NameJournal::Kind kind, const std::string& chosen);

} // namespace tarn
