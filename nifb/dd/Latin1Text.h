#pragma once
// Texts of a description are the bytes a device sends (ISO Latin-1: "\xB0C" is the degree
// Celsius unit); a description file, being JSON, holds them as UTF-8. Every byte string
// goes to the file and comes back unchanged.
#include <string>

namespace nifb::dd {

std::string Latin1ToUtf8(const std::string& bytes);
// False when `utf8` holds a character beyond Latin-1 (or is not UTF-8).
bool Utf8ToLatin1(const std::string& utf8, std::string& bytes);

}  // namespace nifb::dd
