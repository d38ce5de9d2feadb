#pragma once
// The main view's message box keeps at most about 4 KB: whenever it holds 4096 characters
// or more, the first 1024 are deleted before a line is added.
#include <string>
#include <vector>

namespace app {

void AppendMessageLines(std::string& box, const std::vector<std::string>& lines);

}  // namespace app
