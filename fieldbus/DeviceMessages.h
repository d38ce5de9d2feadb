#pragma once
// How the device code shows its failure texts: "Error: " texts with the stop icon, notes and
// warnings with the warning icon.
#include <string>

#include "platform/Ui.h"

namespace fieldbus {

inline void ShowError(const std::string& text) { platform::ShowMessage(text, platform::MB_OK | platform::MB_ICONSTOP); }
inline void ShowWarning(const std::string& text) {
    platform::ShowMessage(text, platform::MB_OK | platform::MB_ICONWARNING);
}

// Blanks (space, tab, CR, LF) removed at the end, or at both ends.
std::string TrimRight(const std::string& text);
std::string Trim(const std::string& text);
// The text of a fixed-size field: up to the first terminator, at most `length` bytes.
std::string FieldText(const char* bytes, size_t length);

}  // namespace fieldbus
