#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tarn::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The path of a file in the folder, as a string.
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    // The names in the folder, sorted.
    std::vector<std::string> Names() const;

private:
    std::filesystem::path path_;
};

} // namespace tarn::testing
