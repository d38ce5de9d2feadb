// Texts read from devices: the English part of multi-language texts, unit signs, and the
// characters that a file name built from a device tag may not hold.
#include <cstring>

#include "platform/Ui.h"
#include "values/ValueCodec.h"

namespace values {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// Latin-1 signs used in device unit texts.
constexpr char kSuperscriptTwo = '\xB2';
constexpr char kSuperscriptThree = '\xB3';
constexpr char kMicro = '\xB5';
constexpr char kDegree = '\xB0';
constexpr char kAngstrom = '\xC5';

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    size_t at = 0;
    while ((at = text.find(from, at)) != std::string::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
}

void ReplaceChar(std::string& text, char from, char to) {
    for (char& c : text)
        if (c == from) c = to;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

std::string ValueCodec::PickEnglishText(const char* bytes, size_t length) {
    if (bytes == nullptr) return {};
    Lock lock(lock_);
    std::string text(bytes, strnlen(bytes, length));
    static const std::string marker = "|en|";
    const size_t at = text.find(marker);
    if (at != std::string::npos) {
        const size_t begin = at + marker.size();
        const size_t end = text.find('|', begin);
        text = text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    }
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    return text.substr(first);
}

std::string ValueCodec::UnitToAscii(const std::string& input) {
    Lock lock(lock_);
    std::string text = input;
    ReplaceChar(text, kSuperscriptTwo, '2');
    ReplaceChar(text, kSuperscriptThree, '3');
    if (!text.empty() && text.front() == kMicro) ReplaceChar(text, kMicro, 'u');
    ReplaceAll(text, std::string(1, kAngstrom), "angstrom");
    const std::string degree(1, kDegree);
    if (text.find(degree + "C") != std::string::npos)
        ReplaceAll(text, degree + "C", "degC");
    else if (text.find(degree + "F") != std::string::npos)
        ReplaceAll(text, degree + "F", "degF");
    else if (text.find(degree + "R") != std::string::npos)
        ReplaceAll(text, degree + "R", "degR");
    else if (text == degree)
        text = "deg";
    return text;
}

std::string ValueCodec::UnitToDisplay(const std::string& input) {
    Lock lock(lock_);
    std::string text = input;
    if (text.find("H2O") == std::string::npos) ReplaceChar(text, '2', kSuperscriptTwo);
    ReplaceChar(text, '3', kSuperscriptThree);
    if (!text.empty() && text.front() == 'u') ReplaceChar(text, 'u', kMicro);
    ReplaceAll(text, "angstrom", std::string(1, kAngstrom));
    const std::string degree(1, kDegree);
    if (text.find("degC") != std::string::npos)
        ReplaceAll(text, "degC", degree + "C");
    else if (text.find("degF") != std::string::npos)
        ReplaceAll(text, "degF", degree + "F");
    else if (text.find("degR") != std::string::npos)
        ReplaceAll(text, "degR", degree + "R");
    else if (text == "deg")
        text = degree;
    return text;
}

bool ValueCodec::CheckFileNameCharacters(std::string& text, bool replace) {
    static const char forbidden[] = {'\\', '/', ':', '*', '?', '"', '<', '>', '|'};
    char offending = 0;
    bool clean = true;
    {
        Lock lock(lock_);
        for (char c : forbidden) {
            if (text.find(c) == std::string::npos) continue;
            clean = false;
            if (!replace) {
                offending = c;
                break;
            }
            ReplaceChar(text, c, '_');
        }
    }
    if (offending != 0) platform::ShowMessage(platform::Format("The character \" %c \" is not allowed", offending));
    return clean;
}

}  // namespace values
