#include "config/ConfigDatabase.h"

#include "platform/Ui.h"

namespace config {

namespace {

constexpr uint32_t kNoEntry = CConfigTempData::kNoEntry;

// Results of the host work, told apart for the messages shown afterwards.
enum WorkResult { kDone = 0, kFailed = 1, kIncomplete = 2 };

using EntryIds = std::array<std::vector<uint32_t>, HostListCount>;

}  // namespace

ConfigDatabase::ConfigDatabase(HostDatabase& db, CConfigData& current, BusRunner runWork)
    : db_(db), current_(current), runWork_(OrInPlace(runWork)) {}

void ConfigDatabase::Log(const char* what, const std::string& name, bool ok) {
    db_.LogMessage(platform::Format(what, name.c_str()) + (ok ? "successful." : "failed."));
}

int ConfigDatabase::FindEntries(CConfigTempData& temp, const std::string& name,
                                std::array<uint32_t, HostListCount>& ids, bool& complete) {
    ids.fill(kNoEntry);
    complete = true;
    for (int index = 0; index < HostListCount; ++index) {
        if (temp.SearchList(db_, index) != 0) return 1;
        for (const HostEntry& entry : temp.entries) {
            if (!name.empty() && entry.name == name) {
                ids[static_cast<size_t>(index)] = entry.id;
                break;
            }
        }
        if (ids[static_cast<size_t>(index)] == kNoEntry) complete = false;
    }
    return 0;
}

// Every entry named `name`, per list.
static int FindAllEntries(HostDatabase& db, CConfigTempData& temp, const std::string& name, EntryIds& ids) {
    for (int index = 0; index < HostListCount; ++index) {
        ids[static_cast<size_t>(index)].clear();
        if (temp.SearchList(db, index) != 0) return 1;
        for (const HostEntry& entry : temp.entries)
            if (!name.empty() && entry.name == name) ids[static_cast<size_t>(index)].push_back(entry.id);
    }
    return 0;
}

int ConfigDatabase::SaveConfigurationSet(const std::string& name, const std::string& replaces) {
    const bool overwrite = !replaces.empty();
    CConfigTempData temp(current_);
    temp.BeginDataSet(name);
    const int result = runWork_([&]() -> int {
        EntryIds old;
        if (overwrite && FindAllEntries(db_, temp, replaces, old) != 0) return kFailed;
        if (db_.BeginDataSet() != 0) return kFailed;
        bool failed = false;
        for (int index = 0; index < HostListCount && !failed; ++index) failed = temp.SaveList(db_, index) != 0;
        // The old data set goes only once the new one is complete.
        for (int index = 0; overwrite && index < HostListCount && !failed; ++index)
            for (uint32_t id : old[static_cast<size_t>(index)])
                if (temp.DeleteList(db_, index, id) != 0) failed = true;
        if (failed) {
            // Remove what this save stored, and nothing else.
            for (int index = 0; index < HostListCount; ++index)
                if (temp.entryIds[static_cast<size_t>(index)] != kNoEntry)
                    temp.DeleteList(db_, index, temp.entryIds[static_cast<size_t>(index)]);
        }
        if (db_.EndDataSet(!failed) != 0) failed = true;
        return failed ? kFailed : kDone;
    });
    Log("Save configuration database to [%s] ", name, result == kDone);
    if (result != kDone) platform::ShowMessage("Error: Storing configuration data to database");
    return result == kDone ? 0 : 1;
}

int ConfigDatabase::LoadConfigurationSet(const std::string& name) {
    CConfigTempData temp(current_);
    temp.BeginDataSet(name);
    const int result = runWork_([&]() -> int {
        bool complete = false;
        if (FindEntries(temp, name, temp.entryIds, complete) != 0) return kFailed;
        if (!complete) return kIncomplete;
        for (int index = 0; index < HostListCount; ++index)
            if (temp.LoadList(db_, index, temp.entryIds[static_cast<size_t>(index)]) != 0) return kFailed;
        return kDone;
    });
    if (result == kIncomplete) platform::ShowMessage("The device's configuration database is empty.");
    if (result == kDone) {
        if (temp.general.splitterPresent != 0 && splitterTag_) {
            const std::string tag = splitterTag_();
            if (!tag.empty()) temp.general.blockTags[TagSPLT] = tag;
        }
        temp.CopyTo(current_);
    }
    Log("Load configuration database [%s] ", name, result == kDone);
    return result == kDone ? 0 : result == kIncomplete ? 2 : 1;
}

int ConfigDatabase::DeleteConfigurationSet(const std::string& name) {
    CConfigTempData temp(current_);
    temp.BeginDataSet(name);
    const int result = runWork_([&]() -> int {
        EntryIds found;
        if (FindAllEntries(db_, temp, name, found) != 0) return kFailed;
        bool any = false;
        for (const auto& ids : found) any = any || !ids.empty();
        if (!any) return kFailed;
        if (db_.BeginDataSet() != 0) return kFailed;
        int outcome = kDone;
        for (int index = 0; index < HostListCount && outcome == kDone; ++index) {
            for (uint32_t id : found[static_cast<size_t>(index)])
                if (temp.DeleteList(db_, index, id) != 0) outcome = kFailed;
        }
        if (db_.EndDataSet(outcome == kDone) != 0 && outcome == kDone) outcome = kFailed;
        return outcome;
    });
    if (result != kDone) platform::ShowMessage("Error: Delete configuration data from database failed");
    Log("Delete configuration database [%s] ", name, result == kDone);
    return result == kDone ? 0 : 1;
}

int ConfigDatabase::ListConfigurationSets(std::vector<std::string>& names, std::vector<HostEntry>* entries) {
    names.clear();
    if (entries != nullptr) entries->clear();
    CConfigTempData temp(current_);
    const int result = runWork_([&] { return temp.SearchList(db_, ListRbGeneral); });
    if (result != 0) return 1;
    for (const HostEntry& entry : temp.entries) names.push_back(entry.name);
    if (entries != nullptr) *entries = temp.entries;
    return 0;
}

}  // namespace config
