#pragma once

#include <string>
#include <string_view>

namespace tarn::help {

// What a help file's #SYSTEM object says about it. File names are as written there, relative
// to the root of the file.
struct SystemRecords {
    std::string contentsFile;
    std::string indexFile;
    std::string defaultTopic;
    std::string title;

    bool operator==(const SystemRecords&) const = default;
};

// Reads a #SYSTEM object: a 4-byte version, then records of a 2-byte code, a 2-byte length and
// that many bytes, little-endian. Text records end at their first NUL. Reading stops at a record
// that runs past the end, keeping what came before it.
SystemRecords ParseSystemRecords(std::string_view bytes);

} // namespace tarn::help
