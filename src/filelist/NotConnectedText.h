#pragma once

#include "journal/NameJournal.h"

#include <string>
#include <vector>

namespace tarn {

// What the user reads of records whose files are in a folder that is not there (a USB stick,
// a memory card or a network folder not connected): each folder, the files in it by the names
// they have and will have, and when their names come back.
std::string NotConnectedText(const std::vector<NameJournal::Entry>& records);

} // namespace tarn
