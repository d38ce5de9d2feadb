#pragma once
// Object names that stand for object-dictionary indices ("$I5015", "$I5015.2"), the form
// makeIndex and makeIndexSubindex produce.
#include <cstdint>
#include <string>

namespace nifb {

std::string IndexName(uint32_t index);
std::string IndexSubindexName(uint32_t index, uint32_t subindex);
// True when `name` is an index name; subindex is 0 when none was given.
bool ParseIndexName(const std::string& name, uint32_t& index, uint32_t& subindex);

}  // namespace nifb
