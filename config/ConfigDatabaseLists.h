#pragma once
// The seven parameter lists in which the partner host stores one configuration data set, and
// the one mapping between a configuration record and their values, used to save, to load and
// to compare.
#include <array>

#include "config/CConfigData.h"
#include "config/HostDatabase.h"

namespace config {

// In save order; the index is the list's place in a data set's identifier array and the order
// in which lists are loaded and deleted.
enum HostListIndex : int {
    ListRbGeneral = 0, ListTbGeneral, ListPosition, ListActuator, ListOption, ListAoBlock, ListPidBlock,
    HostListCount
};

const HostListSpec& HostList(int index);
const std::array<HostListSpec, HostListCount>& HostLists();

// The values of list `index` taken from the record's members.
HostValues ListValues(int index, const CConfigData& data);
// Puts the list's values into the record's members, one by one by name; a name the values lack
// (or with a value of another type) leaves its member as it is. The RB general list's numbers
// become the record's identification texts, and the capability flags follow from the device
// type and revision.
void ApplyListValues(int index, const HostValues& values, CConfigData& data);
// Whether every member that the seven lists carry is equal in both records.
bool SameListMembers(const CConfigData& a, const CConfigData& b);

}  // namespace config
