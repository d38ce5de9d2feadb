#pragma once
// An output file named on the command line, checked before any work on the bus: a recording
// or a measurement is never made only to find that its file cannot be written.
#include <string>

namespace cli {

// Empty when a file can be written at `path`: its folder exists and takes files, the path is
// no folder, and it ends in `extension` (".tre"; empty for any). Otherwise the error to show.
std::string OutputPathProblem(const std::string& path, const std::string& extension);

// Whether `argument` can only mean a file (it holds a '/' or ends in `extension`), so that a
// missing one is said to be a missing file rather than an unknown device tag.
bool NamesAFile(const std::string& argument, const std::string& extension);

}  // namespace cli
