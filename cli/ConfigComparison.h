#pragma once
// A configuration record as a list of named fields, group by group, and the differences
// between two records. Fields are named after the device parameters they come from
// ("TB.SERVO_GAIN", "PID.PV_SCALE.EU_100") or, for what the record learns from the link and
// the device's capabilities, by what they are ("PD tag", "Boot class").
#include <string>
#include <vector>

#include "config/CConfigData.h"

namespace cli {

struct ConfigField {
    std::string name;
    std::string text;   // as shown
    std::string exact;  // compared: every bit of the value
    // Counted and measured by the device (totals, signature results): not configuration,
    // never downloaded, and changing on their own.
    bool measured = false;
    // Written to the device by a download (the rest is identification, capability, or kept
    // only in the record).
    bool downloaded = false;
};

struct ConfigFieldGroup {
    std::string name;  // "General", "Position", "Actuator", "AO Block", "PID Block", "Option"
    std::vector<ConfigField> fields;
};

std::vector<ConfigFieldGroup> ListConfigFields(const config::CConfigData& data);

struct FieldDifference {
    std::string group;
    std::string field;
    std::string first;   // "" when the first record lacks the field
    std::string second;  // "" when the second record lacks the field
};

enum class CompareScope {
    Configuration,  // everything but the measured values
    All,            // the measured values too
    Downloaded,     // only what a download writes
};

// The fields that differ, in group order, and within a group in field order.
std::vector<FieldDifference> CompareConfigurations(const config::CConfigData& first, const config::CConfigData& second,
                                                   CompareScope scope);

}  // namespace cli
