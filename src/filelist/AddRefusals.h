#pragma once

#include <string>
#include <vector>

namespace tarn {

// Why a path given from outside (the dialog, a drop, the command line, another start) cannot be
// listed before anything looks at it: a NUL byte, which the system would take for its end and the
// journal for the end of a field, or a path that is not absolute, which would name a file in
// whatever folder the program runs in. Empty when it can.
std::string PathRefusal(const std::string& path);

// Whether two paths name one file: the same device and inode, or, where FUSE numbers each name
// apart (exFAT through FUSE, where letter case does not count), names that differ only in
// letter case with the same device, size and time of change.
bool NameTheSameFile(const std::string& one, const std::string& other);

// The one message for the files refused because the list is full: how many, and the first few.
std::string ListFullText(const std::vector<std::string>& refused);

} // namespace tarn
