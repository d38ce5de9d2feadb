#include "cli/TerminalText.h"

namespace cli {

namespace {

bool IsUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t follow = 0;
        if (c < 0x80)
            follow = 0;
        else if ((c & 0xE0) == 0xC0 && c >= 0xC2)
            follow = 1;
        else if ((c & 0xF0) == 0xE0)
            follow = 2;
        else if ((c & 0xF8) == 0xF0 && c <= 0xF4)
            follow = 3;
        else
            return false;
        if (i + follow >= text.size()) return false;
        for (size_t k = 1; k <= follow; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += follow + 1;
    }
    return true;
}

}  // namespace

std::string ToUtf8(const std::string& text) {
    if (IsUtf8(text)) return text;
    std::string out;
    out.reserve(text.size() + 8);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string ToTerminal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') continue;
            out += '\n';
            continue;
        }
        out += text[i];
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ' || out.back() == '\t')) out.pop_back();
    return ToUtf8(out);
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace cli
