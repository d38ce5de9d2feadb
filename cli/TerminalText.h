#pragma once
// Texts on their way to a terminal or a JSON document: the program's message texts use
// "\r\n" line ends, and device texts are Latin-1 octets.
#include <string>

namespace cli {

// Valid UTF-8 stays as it is; anything else is read as Latin-1 and converted.
std::string ToUtf8(const std::string& text);
// "\r\n" and lone "\r" become "\n"; trailing blanks and line ends are cut; UTF-8 as above.
std::string ToTerminal(const std::string& text);
// Blanks and tabs cut at both ends, as typed input is read.
std::string Trim(const std::string& text);

}  // namespace cli
