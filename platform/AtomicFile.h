#pragma once
// Saving a file safely: the content goes to a temporary file in the same folder
// ("<name>.tmp" and six letters or digits), is flushed, and is renamed over the target, so a
// crash never leaves a half-written file.
#include <optional>
#include <string>

namespace platform {

// Returns true on success; on failure `error` (when given) says why and the target is untouched.
// A new file gets the permissions the umask allows (as any program's new file) and a replaced
// file keeps its own; `fixedMode` instead gives the file exactly that mode every time (for
// files that must stay private).
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error = nullptr,
                         std::optional<unsigned> fixedMode = std::nullopt);
// Reads the whole file. Returns false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& content);

// Removes the temporary files that interrupted saves of `path` left behind (only names of the
// pattern above). Call it only while holding a lock that every writer of `path` takes, or a
// save in progress would lose its temporary file.
void RemoveStaleTemporaries(const std::string& path);

}  // namespace platform
