#pragma once
// 'tessaro-cli signature TAG --upload baseline|record': the standard actuator signature the
// positioner keeps as its baseline or record, uploaded without a measurement (nothing is
// written to the device but the upload selection) and saved into a signature file.
#include <string>

namespace cli {

class Context;

// `which`: "baseline" or "record"; `out`: the signature file ("" prints only).
int RunStoredSignatureUpload(Context& ctx, const std::string& tag, const std::string& which, const std::string& out);

}  // namespace cli
