#include "fieldbus/DeviceMessages.h"

#include <cstring>

namespace fieldbus {
namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
}  // namespace

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
