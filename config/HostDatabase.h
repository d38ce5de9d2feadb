#pragma once
// The partner host's database of parameter lists as the configuration code sees it. The
// plug-in build implements it on the host's client library; the lists it stores, their
// names and the order of the operations are the configuration code's (ConfigDatabase.h).
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace config {

// One parameter value of a host list.
struct HostValue {
    enum class Type { None, Integer, Real, Text, Bytes };
    Type type = Type::None;
    int64_t integer = 0;
    double real = 0.0;
    std::string text;   // Text; with Integer the text of the value (may be empty)
    std::string bytes;  // Bytes

    bool operator==(const HostValue&) const = default;
};
using HostValues = std::map<std::string, HostValue>;

// One saved entry as a search reports it: its identifier, its data set name and the seven
// descriptive texts the host keeps with it.
struct HostEntry {
    uint32_t id = 0;
    std::string name;
    std::array<std::string, 7> texts;
};

// One of the seven lists of a configuration data set.
struct HostListSpec {
    int index = 0;           // place in the save order and in the identifier array
    const char* kind = "";   // the host's list kind
    const char* block = "";  // block key: "RB", "TB", "AO", "PID"
    std::vector<std::string> names;
};

class HostDatabase {
public:
    virtual ~HostDatabase() = default;
    // Each returns 0 on success. Failures are reported by the implementation (the host's own
    // error text goes to the device message log); callers only see the status.
    virtual int SaveList(const HostListSpec& list, const HostValues& values, const std::wstring& name,
                         uint32_t& entryId) = 0;
    virtual int SearchList(const HostListSpec& list, std::vector<HostEntry>& entries) = 0;
    virtual int LoadList(const HostListSpec& list, uint32_t entryId, HostValues& values) = 0;
    virtual int DeleteList(const HostListSpec& list, uint32_t entryId) = 0;
    // Brackets the lists of one data set so that the host keeps all or none of a change.
    // A host without brackets answers 0 and works list by list.
    virtual int BeginDataSet() { return 0; }
    virtual int EndDataSet(bool /*commit*/) { return 0; }
    // A line for the host's message log.
    virtual void LogMessage(const std::string& /*text*/) {}
};

}  // namespace config
