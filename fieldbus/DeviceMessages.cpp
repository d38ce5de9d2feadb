#include "fieldbus/DeviceMessages.h"

#include <cstring>
#include <thread>

#include "fieldbus/WorkerNotice.h"

namespace fieldbus {
namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// Static initialisation runs on the thread that starts the program.
const std::thread::id g_uiThread = std::this_thread::get_id();
}  // namespace

bool OnUiThread() { return std::this_thread::get_id() == g_uiThread; }

void ShowNotice(const std::string& text, int flags) {
    if (OnUiThread())
        platform::ShowMessage(text, flags);
    else
        ShowMessageFromWorker(text, flags);
}

std::string TrimRight(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    return text.substr(0, end);
}

std::string Trim(const std::string& text) {
    size_t begin = 0;
    while (begin < text.size() && IsBlank(text[begin])) ++begin;
    return TrimRight(text.substr(begin));
}

std::string FieldText(const char* bytes, size_t length) {
    if (bytes == nullptr) return {};
    return std::string(bytes, strnlen(bytes, length));
}

}  // namespace fieldbus
