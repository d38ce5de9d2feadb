#pragma once
// The six configuration file layouts and which optional items each carries.
#include <string>

namespace config {

// Layout indices, oldest first.
enum ConfigFileVersion : int {
    Version10 = 0, Version20, Version21, Version22, Version23, Version24, ConfigFileVersionCount
};

// "1.0" ... "2.4".
const char* ConfigFileVersionText(int version);
// Index of a version text, or -1 when it is none of the six.
int ConfigFileVersionIndex(const std::string& text);
// Whether a file of this version may be read in `runMode` (the AMS snap-on setting reads
// only 2.3 and 2.4).
bool IsAcceptedConfigFileVersion(int version, int runMode);

// The four bit-value lists of the options fields: 2.4, and 2.3 in the AMS snap-on setting.
bool HasBitValueLists(int version, int runMode);
// The control direction, feedback angles and extended servo items at the end of a file:
// 2.4, and 2.3 outside the AMS snap-on setting.
bool HasTailItems(int version, int runMode);

}  // namespace config
