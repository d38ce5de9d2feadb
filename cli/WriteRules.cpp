#include "cli/WriteRules.h"

#include "fieldbus/TypedAccessorTable.h"

namespace cli {

namespace {

struct Entry {
    fieldbus::BlockKind kind;
    const char* name;
    WriteRule rule;
};

#define CLI_WRITE_RULE(fn, kind, name, type, wire, rule) {fieldbus::BlockKind::kind, name, WriteRule::rule},
const Entry kEntries[] = {
    FIELDBUS_WRITE_ACCESSORS(CLI_WRITE_RULE)
    // The writes with block-mode rules of their own (FIELDBUS_MODE_RULE_WRITES).
    {fieldbus::BlockKind::AO, "OUT.VALUE", WriteRule::ModeRule},
    {fieldbus::BlockKind::AO, "SP.VALUE", WriteRule::ModeRule},
    {fieldbus::BlockKind::PID, "OUT.VALUE", WriteRule::ModeRule},
    {fieldbus::BlockKind::PID, "SP.VALUE", WriteRule::ModeRule},
    {fieldbus::BlockKind::PID, "FF_GAIN", WriteRule::ModeRule},
};
#undef CLI_WRITE_RULE

}  // namespace

WriteRule WriteRuleOf(fieldbus::BlockKind kind, const std::string& name) {
    // A member with a rule of its own (PID PV_SCALE.EU_100, out of service) keeps it even where
    // the whole record is listed with another.
    for (const Entry& entry : kEntries)
        if (entry.kind == kind && name == entry.name) return entry.rule;
    for (const Entry& entry : kEntries) {
        if (entry.kind != kind) continue;
        const std::string table = entry.name;
        // A member of a parameter written whole follows the parameter's rule.
        if (entry.rule != WriteRule::ModeRule && name.size() > table.size() && name.compare(0, table.size(), table) == 0 &&
            name[table.size()] == '.')
            return entry.rule;
    }
    return WriteRule::Plain;
}

}  // namespace cli
