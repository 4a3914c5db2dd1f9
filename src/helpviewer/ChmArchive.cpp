#include "helpviewer/ChmArchive.h"

#include <chm_lib.h>
#include <filesystem>
#include <fstream>

namespace tarn::help {

namespace {

// A damaged file may claim objects of any length; none of a manual comes near this.
constexpr LONGUINT64 kLargestObject = 64u << 20;

ArchiveProblem ProblemBeforeOpening(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return ArchiveProblem::Missing;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return ArchiveProblem::Unreadable;
    }
    char signature[4] = {};
    in.read(signature, sizeof signature);
    if (in.gcount() != sizeof signature || std::string(signature, 4) != "ITSF") {
        return ArchiveProblem::NotChm;
    }
    return ArchiveProblem::None;
}

int CollectFile(chmFile* /*file*/, chmUnitInfo* unit, void* context) {
    static_cast<std::vector<std::string>*>(context)->emplace_back(unit->path);
    return CHM_ENUMERATOR_CONTINUE;
}

} // namespace

void ChmArchive::Closer::operator()(chmFile* file) const {
    chm_close(file);
}

ChmArchive::ChmArchive(const std::string& path) : problem_(ProblemBeforeOpening(path)) {
    if (problem_ != ArchiveProblem::None) {
        return;
    }
    file_.reset(chm_open(path.c_str()));
    if (!file_) {
        problem_ = ArchiveProblem::Damaged;
    }
}

std::optional<std::string> ChmArchive::Read(const std::string& path) const {
    chmUnitInfo unit{};
    if (!file_ || path.size() > CHM_MAX_PATHLEN ||
        chm_resolve_object(file_.get(), path.c_str(), &unit) != CHM_RESOLVE_SUCCESS ||
        unit.length > kLargestObject) {
        return std::nullopt;
    }
    std::string bytes(unit.length, '\0');
    if (unit.length == 0) {
        return bytes;
    }
    const LONGINT64 read =
        chm_retrieve_object(file_.get(), &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                            static_cast<LONGINT64>(unit.length));
    if (read != static_cast<LONGINT64>(unit.length)) {
        return std::nullopt;
    }
    return bytes;
}

std::vector<std::string> ChmArchive::Files() const {
    return List(CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES);
}

std::vector<std::string> ChmArchive::Objects() const {
    return List(CHM_ENUMERATE_ALL & ~CHM_ENUMERATE_DIRS);
}

std::vector<std::string> ChmArchive::List(int what) const {
    std::vector<std::string> paths;
    if (file_) {
        chm_enumerate(file_.get(), what, CollectFile, &paths);
    }
    return paths;
}

} // namespace tarn::help
