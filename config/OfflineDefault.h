#pragma once
// The offline default configuration files, "RPXDEF.dmp" and "KPXDEF.dmp": written from the
// family defaults, shipped in the program directory's "Config Files" folder, and loaded once
// when the main view first shows.
#include <cstdint>
#include <string>

namespace config {

class CConfigData;

inline constexpr const char* kRpxDefaultFile = "\\RPXDEF.dmp";
inline constexpr const char* kKpxDefaultFile = "\\KPXDEF.dmp";

// The folder holding the running program file.
std::string ExecutableFolder();

// Finds and reads the default file quietly: the family's own file, then the other family's,
// first in the record's configuration folder, then in `executableFolder`. Returns 0 on
// success; 1 with `resultText` set otherwise ("Wrong version ..." is also shown).
int LoadOfflineDefaultFile(CConfigData& data, std::string& resultText, const std::string& executableFolder);

// The start-up load: on failure the result text is shown for 1.5 seconds in a notice window
// whose button is disabled. Returns the load's result.
int LoadOfflineDefaultAtStartup(CConfigData& data, const std::string& executableFolder);
// The 1.5-second notice.
void ShowOfflineDefaultNotice(const std::string& text);

// The file image of a family's default file (data version "2.4", the build's run mode).
std::string OfflineDefaultFileBytes(uint32_t family);
// (Re)writes both default files into `folder`. Returns 0 on success.
int WriteOfflineDefaultFiles(const std::string& folder);

}  // namespace config
