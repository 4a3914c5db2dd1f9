#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct chmFile;

namespace tarn::help {

// Why a help file cannot be shown.
enum class ArchiveProblem { None, Missing, Unreadable, NotChm, Damaged };

// A compiled HTML help (CHM) file, read through chmlib. Paths inside it start with "/".
class ChmArchive {
public:
    explicit ChmArchive(const std::string& path);

    ArchiveProblem Problem() const { return problem_; }
    // The whole object at `path`; nothing when there is none, or it cannot be read whole.
    std::optional<std::string> Read(const std::string& path) const;
    // The paths of the ordinary files it holds (pages, pictures, style sheets, sitemaps).
    std::vector<std::string> Files() const;
    // The paths of every object it holds: the files, and the records of the archive itself.
    std::vector<std::string> Objects() const;

private:
    std::vector<std::string> List(int what) const;

    struct Closer {
        void operator()(chmFile* file) const;
    };

    std::unique_ptr<chmFile, Closer> file_;
    ArchiveProblem problem_ = ArchiveProblem::None;
};

} // namespace tarn::help
