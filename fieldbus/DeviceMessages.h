#pragma once
// How the device code shows its failure texts: "Error: " texts with the stop icon, notes and
// warnings with the warning icon. Only the user-interface thread shows a box; a worker that
// meets a failure has its box queued for the user-interface thread instead.
#include <string>

#include "platform/Ui.h"

namespace fieldbus {

// True on the user-interface thread (the thread that started the program).
bool OnUiThread();
// An OK box with `flags`' icon: shown at once on the user-interface thread, queued from any
// other thread.
void ShowNotice(const std::string& text, int flags = platform::MB_OK | platform::MB_ICONWARNING);

inline void ShowError(const std::string& text) { ShowNotice(text, platform::MB_OK | platform::MB_ICONSTOP); }
inline void ShowWarning(const std::string& text) { ShowNotice(text, platform::MB_OK | platform::MB_ICONWARNING); }

// Blanks (space, tab, CR, LF) removed at the end, or at both ends.
std::string TrimRight(const std::string& text);
std::string Trim(const std::string& text);
// The text of a fixed-size field: up to the first terminator, at most `length` bytes.
std::string FieldText(const char* bytes, size_t length);

}  // namespace fieldbus
