#pragma once
// The manual pages of tessaro-cli: one per verb (tessaro-cli VERB --help) and the overview
// (tessaro-cli --help).
#include <string>

#include "cli/Verb.h"

namespace cli {

std::string ManualPage(const Verb& verb);
std::string Overview();
// "tessaro-cli get TAG BLOCK.PARAM[.MEMBER]... [OPTIONS]"
std::string Synopsis(const Verb& verb);

// The options every verb takes, as the manual pages list them.
const std::vector<VerbOption>& CommonOptionList();

}  // namespace cli
