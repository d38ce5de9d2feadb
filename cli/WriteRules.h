#pragma once
// How the program writes a parameter: plainly, after making the device ready for a
// configuration change (out of service, after asking), only when fail-safe may be released,
// or under a block-mode rule of its own.
#include <string>

#include "fieldbus/BlockKind.h"

namespace cli {

enum class WriteRule { Plain, Prepared, Failsafe, ModeRule };

// The rule of the program's typed write of that block kind and name; a member of a
// parameter follows the parameter's rule. Plain for everything else.
WriteRule WriteRuleOf(fieldbus::BlockKind kind, const std::string& name);

}  // namespace cli
