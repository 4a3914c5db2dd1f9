#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::help {

// Why a help file cannot be shown.
enum class ArchiveProblem { None, Missing, Unreadable, NotChm, Damaged };

// A compiled HTML help (CHM) file, read whole through chmlib when it is opened, so that a damaged
// or cut-off file is known at once. Paths inside it start with "/" and are found in any letter
// case, as chmlib finds them.
//
// chmlib believes what a file says about itself: some damaged files make it divide by zero,
// others make it loop or ask for gigabytes. So it reads the file in a child process, under
// limits of time and memory, and hands the objects over through a pipe; this process never
// runs chmlib itself.
class ChmArchive {
public:
    explicit ChmArchive(const std::string& path);

    ArchiveProblem Problem() const { return problem_; }
    // The whole object at `path`; nothing when there is none.
    std::optional<std::string> Read(const std::string& path) const;
    // The paths of the ordinary files it holds (pages, pictures, style sheets, sitemaps), not
    // the records of the archive itself.
    const std::vector<std::string>& Files() const { return files_; }

private:
    // Takes the objects from what the child wrote; false when that is not whole.
    bool TakeObjects(std::string_view received);

    ArchiveProblem problem_ = ArchiveProblem::None;
    std::vector<std::string> files_;
    // By path in lower case.
    std::map<std::string, std::string> objects_;
};

} // namespace tarn::help
