#include "helpviewer/ChmArchive.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace tarn::help {

namespace {

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

ChmArchive::ChmArchive(const Status& failure)
    : outcome_(failure.Ok() ? Status::Failure(EIO) : failure) {}

ChmArchive::ChmArchive(std::vector<ArchiveObject> objects) {
    for (ArchiveObject& object : objects) {
        if (object.ordinary) {
            files_.push_back(object.path);
        }
        objects_[LowerCase(std::move(object.path))] = std::move(object.bytes);
    }
}

std::optional<std::string> ChmArchive::Read(const std::string& path) const {
    const auto found = objects_.find(LowerCase(path));
    if (found == objects_.end()) {
        return std::nullopt;
    }
    return found->second;
}

Status ProblemBeforeReading(const std::string& path) {
    const std::string lead = "The help file " + path;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        return Status::Failure(lead + " is missing.");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return Status::Failure(lead + " cannot be read.");
    }
    char signature[4] = {};
    in.read(signature, sizeof signature);
    if (in.gcount() != sizeof signature || std::string(signature, 4) != "ITSF") {
        return Status::Failure(lead + " is not a compiled HTML help (CHM) file.");
    }
    return {};
}

Status DamagedFile(const std::string& path) {
    return Status::Failure("The help file " + path + " is damaged or incomplete.");
}

} // namespace tarn::help
