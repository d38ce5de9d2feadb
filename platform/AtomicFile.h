#pragma once
// Saving a file safely: the content goes to a temporary file in the same folder, is flushed,
// and is renamed over the target, so a crash never leaves a half-written file.
#include <string>

namespace platform {

// Returns true on success; on failure `error` (when given) says why and the target is untouched.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error = nullptr,
                         unsigned mode = 0644);
// Reads the whole file. Returns false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& content);

}  // namespace platform
