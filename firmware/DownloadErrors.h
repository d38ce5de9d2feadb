#pragma once
// The texts of the device's download error codes (SOFTDWN_ERROR and the domain descriptor's
// error code).
#include <cstdint>
#include <string>

namespace firmware {

// "" for 0, the code's text, or "Unknow downloading error" for a code without one.
std::string DownloadErrorText(uint16_t code);

}  // namespace firmware
