#include "app/MessageBoxText.h"

namespace app {

void AppendMessageLines(std::string& box, const std::vector<std::string>& lines) {
    for (const auto& line : lines) {
        while (box.size() >= 4096) box.erase(0, 1024);
        box += line;
    }
}

}  // namespace app
