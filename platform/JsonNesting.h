#pragma once
// How deep JSON text nests, found in one pass before a parser sees it, so that a hostile
// file cannot make a recursive parser run out of stack. Brackets inside strings do not count.
#include <cstddef>
#include <string>

namespace platform {

// True when no array or object of `text` nests deeper than `maxDepth`; otherwise false with
// `at` the byte offset of the first bracket too deep.
inline bool JsonNestingWithin(const std::string& text, int maxDepth, size_t& at) {
    int depth = 0;
    bool inString = false, escaped = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth) {
                at = i;
                return false;
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

}  // namespace platform
