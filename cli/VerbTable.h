#pragma once
// The verbs of tessaro-cli, in the order the help lists them.
#include <vector>

#include "cli/Verb.h"

namespace cli {

const std::vector<Verb>& Verbs();
// nullptr when no verb has that name.
const Verb* FindVerb(const std::string& name);

}  // namespace cli
