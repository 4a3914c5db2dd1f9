#pragma once

#include <string>

namespace tarn {

// A path's two parts, split at its last "/" and at nothing else: the folder of "a//b" is "a/",
// the name in "a/b/" is "".

// The folder a path's file is in: "/music" for "/music/a.wav", "/" for "/a.wav", and "." (the
// current folder) for a bare name or an empty path.
std::string ParentFolder(const std::string& path);
// What follows the last "/": the whole path when it has none.
std::string FileName(const std::string& path);

} // namespace tarn
