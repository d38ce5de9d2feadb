#pragma once
// Named configuration data sets in the partner host's database. A data set is not one record
// but seven parameter lists (ConfigDatabaseLists.h), each stored by the host as an entry of
// its own and found again by the data set's name.
//
// Saving stores all seven lists or, when one fails, removes the ones it stored; overwriting
// stores the new lists first and only then removes the old entries by their identifiers, so
// a failed overwrite keeps the old data set. Loading takes a data set only when all seven
// lists are there and load, and leaves the configuration untouched otherwise.
//
// The host work runs through the runner (a window passes one that keeps it responsive);
// messages are shown afterwards on the caller's thread. Results: 0 success, 1 failure.
#include <functional>
#include <string>
#include <vector>

#include "config/BusRunner.h"
#include "config/CConfigTempData.h"
#include "config/HostDatabase.h"

namespace config {

class ConfigDatabase {
public:
    ConfigDatabase(HostDatabase& db, CConfigData& current, BusRunner runWork = {});

    // Where a loaded configuration with a splitter takes the splitter block's tag from (the
    // open device's block list); without it the record keeps its own.
    void SetSplitterTagSource(std::function<std::string()> source) { splitterTag_ = std::move(source); }

    // Saves the current configuration as data set `name`; when `replaces` is given, the data
    // set of that name is replaced (removed once the new one is stored). Shows
    // "Error: Storing configuration data to database" on failure.
    int SaveConfigurationSet(const std::string& name, const std::string& replaces = {});
    // Loads data set `name` into the current configuration: 0 loaded, 1 failed, 2 incomplete
    // (a list is missing: "The device's configuration database is empty." was shown).
    int LoadConfigurationSet(const std::string& name);
    // Deletes every list of data set `name` that is found.
    int DeleteConfigurationSet(const std::string& name);
    // The names of the device's data sets in the host's order, with the entries of the RB
    // general list (their descriptive texts) when `entries` is given.
    int ListConfigurationSets(std::vector<std::string>& names, std::vector<HostEntry>* entries = nullptr);

    // A line for the host's message log.
    void LogToHost(const std::string& text) { db_.LogMessage(text); }

private:
    // The identifiers of the entries named `name`, per list (kNoEntry where there is none).
    int FindEntries(CConfigTempData& temp, const std::string& name, std::array<uint32_t, HostListCount>& ids,
                    bool& complete);
    void Log(const char* what, const std::string& name, bool ok);

    HostDatabase& db_;
    CConfigData& current_;
    BusRunner runWork_;
    std::function<std::string()> splitterTag_;
};

}  // namespace config
