#pragma once
// A snapshot of a configuration with the same members as CConfigData, used as a local object:
// to carry a configuration to and from the partner host's database, list by list, and to
// compare a loaded configuration with the one in memory. While a database operation runs it
// also holds the data set's name (wide, as the host takes names), the entry identifiers of
// the seven lists and the entries found by the last search.
#include <array>
#include <string>
#include <vector>

#include "config/CConfigData.h"
#include "config/ConfigDatabaseLists.h"
#include "config/HostDatabase.h"

namespace config {

class CConfigTempData : public CConfigData {
public:
    static constexpr uint32_t kNoEntry = 0xFFFFFFFFu;

    CConfigTempData() = default;
    explicit CConfigTempData(const CConfigData& from) : CConfigData(from) {}

    // Current configuration -> snapshot, snapshot -> current configuration.
    void CopyFrom(const CConfigData& current) { static_cast<CConfigData&>(*this) = current; }
    void CopyTo(CConfigData& current) const { current = static_cast<const CConfigData&>(*this); }
    // Equal when every member that the database lists carry is equal.
    bool SameAs(const CConfigData& current) const { return SameListMembers(*this, current); }

    // The data set's name in wide characters (UTF-8 in, bytes that are not UTF-8 taken as
    // Latin-1); all seven entry identifiers back to none.
    void BeginDataSet(const std::string& name);

    // Per list: save into a new entry (its identifier goes to entryIds), load an entry, delete
    // an entry, and search the list kind's entries (into `entries`). 0 on success.
    int SaveList(HostDatabase& db, int index);
    int LoadList(HostDatabase& db, int index, uint32_t entryId);
    int DeleteList(HostDatabase& db, int index, uint32_t entryId);
    int SearchList(HostDatabase& db, int index);

    std::wstring setName;
    std::array<uint32_t, HostListCount> entryIds{};
    std::vector<HostEntry> entries;
};

std::wstring WideName(const std::string& utf8);

}  // namespace config
