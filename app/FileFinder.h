#pragma once
// Finding the server program on disk.
#include <string>

namespace app {

// The full path when a file exists at `path` and its name equals `wantedName` (without
// regard to case); "" otherwise.
std::string FindFileAt(const std::string& path, const std::string& wantedName);
// Depth-first search below `directory` (subfolders in enumeration order) for the first file
// named `wantedName` (without regard to case); its full path, or "".
std::string FindFileInTree(const std::string& directory, const std::string& wantedName);

}  // namespace app
