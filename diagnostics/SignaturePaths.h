#pragma once
// The last signature file used anywhere in the program: file dialogs start in its folder and
// exports are written next to it.
#include <string>

namespace diagnostics {

// Until a file was chosen: the program directory's "Signature Data" folder.
std::string LastSignaturePath();
void SetLastSignaturePath(const std::string& path);
// The folder of the last signature path (the path itself when it is a folder).
std::string LastSignatureFolder();

}  // namespace diagnostics
