#pragma once
// A report template: HTML text with tokens where values go. A token is "TSRO" followed by six
// digits (the configuration sections) or three digits (the signature section); a run of any
// other number of digits is plain text. The template is split into text and tokens once, so
// a token is never found inside a longer one ("TSRO001" is not part of "TSRO001021") and
// never inside a value filled in before.
#include <string>
#include <vector>

namespace report {

class ReportTemplate {
public:
    explicit ReportTemplate(const std::string& text);

    // Fills the first still open occurrence of the token with `digits` digits and `number`;
    // nothing happens when there is none. An empty value of a six-digit token becomes nine
    // hyphens. The value is taken as it is (the caller escapes it for HTML).
    void Fill(int digits, int number, const std::string& value);
    // Whether an open occurrence of the token is left.
    bool Has(int digits, int number) const;

    // The section between the six-digit markers `start` and `end` (both found, the start
    // marker before the end marker and not at the very beginning of the document): removed
    // with its markers (keep false), or kept without them. False when the markers were not
    // found in that order; nothing changes then.
    bool Section(int start, int end, bool keep);

    // The document: filled tokens replaced, open tokens left as they stand in the template.
    std::string Render() const;

private:
    struct Piece {
        std::string text;  // literal text, or the token as written
        int digits = 0;    // 0: literal text
        int number = 0;
        bool filled = false;
        std::string value;
    };
    static Piece Literal(const std::string& text);
    int FindOpen(int digits, int number, size_t from = 0) const;

    std::vector<Piece> pieces_;
};

}  // namespace report
