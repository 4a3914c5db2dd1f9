#pragma once

#include "common/Status.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarn::help {

// One object of a compiled HTML help (CHM) file: its path inside the file, its bytes, and
// whether it is an ordinary file (a page, picture, style sheet or sitemap) rather than a record
// of the archive itself.
struct ArchiveObject {
    std::string path;
    std::string bytes;
    bool ordinary = false;
};

// The objects of a CHM file, read whole by the help reader program (see ReaderProcess.h), so
// that a damaged or cut-off file is known at once. Paths inside it start with "/" and are found
// in any letter case, as chmlib finds them.
class ChmArchive {
public:
    // A file that cannot be shown, with the words that say why.
    explicit ChmArchive(const Status& failure);
    explicit ChmArchive(std::vector<ArchiveObject> objects);

    const Status& Outcome() const { return outcome_; }
    // The whole object at `path`; nothing when there is none.
    std::optional<std::string> Read(const std::string& path) const;
    // The paths of the ordinary files it holds, in the order the file lists them.
    const std::vector<std::string>& Files() const { return files_; }

private:
    Status outcome_;
    std::vector<std::string> files_;
    // By path in lower case.
    std::map<std::string, std::string> objects_;
};

// What is wrong with `path` before any reader looks inside: whether it is there, can be opened
// and starts as a CHM file does. The words name the file.
Status ProblemBeforeReading(const std::string& path);
// A help file whose reading failed, or whose contents make no whole manual.
Status DamagedFile(const std::string& path);

} // namespace tarn::help
