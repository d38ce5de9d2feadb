#include "report/ReportTemplate.h"

#include <cctype>

namespace report {

namespace {
constexpr char kPrefix[] = "TSRO";
constexpr size_t kPrefixLength = 4;
const char* const kEmptyValue = "---------";
}  // namespace

ReportTemplate::Piece ReportTemplate::Literal(const std::string& text) {
    Piece piece;
    piece.text = text;
    return piece;
}

ReportTemplate::ReportTemplate(const std::string& text) {
    std::string literal;
    size_t at = 0;
    while (at < text.size()) {
        const size_t found = text.find(kPrefix, at);
        if (found == std::string::npos) {
            literal.append(text, at, std::string::npos);
            break;
        }
        size_t end = found + kPrefixLength;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
        const size_t digits = end - found - kPrefixLength;
        literal.append(text, at, found - at);
        if (digits == 6 || digits == 3) {
            if (!literal.empty()) pieces_.push_back(Literal(literal));
            literal.clear();
            Piece token;
            token.text = text.substr(found, end - found);
            token.digits = static_cast<int>(digits);
            token.number = std::stoi(text.substr(found + kPrefixLength, digits));
            pieces_.push_back(token);
        } else {
            literal.append(text, found, end - found);
        }
        at = end;
    }
    if (!literal.empty()) pieces_.push_back(Literal(literal));
}

int ReportTemplate::FindOpen(int digits, int number, size_t from) const {
    for (size_t i = from; i < pieces_.size(); ++i) {
        const Piece& p = pieces_[i];
        if (p.digits == digits && p.number == number && !p.filled) return static_cast<int>(i);
    }
    return -1;
}

void ReportTemplate::Fill(int digits, int number, const std::string& value) {
    const int at = FindOpen(digits, number);
    if (at < 0) return;
    Piece& p = pieces_[static_cast<size_t>(at)];
    p.filled = true;
    p.value = value.empty() && digits == 6 ? kEmptyValue : value;
}

bool ReportTemplate::Has(int digits, int number) const { return FindOpen(digits, number) >= 0; }

bool ReportTemplate::Section(int start, int end, bool keep) {
    // A marker at the very start of the document does not count.
    const int first = FindOpen(6, start, 1);
    if (first < 0) return false;
    const int last = FindOpen(6, end, static_cast<size_t>(first) + 1);
    if (last < 0) return false;
    if (keep) {
        pieces_.erase(pieces_.begin() + last);
        pieces_.erase(pieces_.begin() + first);
    } else {
        pieces_.erase(pieces_.begin() + first, pieces_.begin() + last + 1);
    }
    return true;
}

std::string ReportTemplate::Render() const {
    std::string out;
    for (const Piece& p : pieces_) out += p.filled ? p.value : p.text;
    return out;
}

}  // namespace report
