#pragma once

#include <string>

namespace tarn {

// The two parts of a path, split at its last "/"; nothing else of the path is looked at, so
// "a//b" has the folder "a/" and "a/b/" the name "".
// The folder a path's file is in: "/music" for "/music/a.wav", "/" for "/a.wav", and "." (the
// current folder) for a bare name or an empty path.
std::string ParentFolder(const std::string& path);
// What follows the last "/": the whole path when it has none.
std::string FileName(const std::string& path);

} // namespace tarn
