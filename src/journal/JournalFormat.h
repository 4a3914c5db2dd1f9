#pragma once

#include "common/Status.h"
#include "journal/NameJournal.h"

#include <string>
#include <vector>

namespace tarn {

// The journal's bytes. Fields are ended by a NUL, the one character no path can hold; a record
// is its kind, two paths, the file's device and inode, and its size and time of change. Journals
// of earlier versions are read too: without size and time, without the file's identity, and,
// without a header, pairs of paths of renamed WAV files. A record the reader would not take back (a
// path with a NUL in it, or one that is not absolute) is refused, and nothing is written.
Result<std::string> SerializeJournal(const std::vector<NameJournal::Entry>& entries);
// Only a journal read whole is a journal: anything it cannot account for (an unknown header or
// kind, a field without its end, a path that is not absolute, a number that is not one) is
// damage, never fewer records.
Result<std::vector<NameJournal::Entry>> ParseJournal(const std::string& bytes);

} // namespace tarn
