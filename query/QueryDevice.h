#pragma once
// The device query: a fixed list of query commands, each composing text lines from values it
// reads through the device interface. Nothing is written. A line whose read fails is left
// out; the other lines of its command still appear. Callable without a window.
#include <functional>
#include <string>
#include <vector>

#include "fieldbus/DeviceAccess.h"

namespace query {

// What the device object learned when it was opened (no reads needed).
struct QueryIdentity {
    std::string deviceId;          // the live-list device identifier
    std::string vendor;            // identification texts of the first VFD
    std::string model;
    std::string hardwareRevision;
};

// Collects the lines of one answer: label and value followed by " .\r\n".
class QueryLines {
public:
    void Add(const std::string& line) { text_ += line + " .\r\n"; }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

class QueryDevice;
struct QueryCommand {
    const char* name;
    void (*compose)(QueryDevice& query, QueryLines& lines);
};

// The commands in display order.
const std::vector<QueryCommand>& QueryCommands();

class QueryDevice {
public:
    // `device` may be null (no device attached): every answer is then empty.
    QueryDevice(fieldbus::DeviceAccess* device, QueryIdentity identity);

    int CommandCount() const;
    std::string CommandName(int index) const;
    // The command name, " :\r\n\r\n" and the lines; empty for an index outside the list and
    // without an open device.
    std::string ComposeAnswer(int commandIndex);

    fieldbus::DeviceAccess& Device() { return *device_; }
    const QueryIdentity& Identity() const { return identity_; }
    int Block(fieldbus::BlockKind kind) const { return device_->BlockOf(kind); }
    // The description text of an enumeration value; false when the device describes none.
    bool EnumText(fieldbus::BlockKind kind, const std::string& name, uint32_t value, std::string& text);
    // The texts of the set bits of a bit string joined by ", " ("None" when no bit is set).
    bool BitTexts(fieldbus::BlockKind kind, const std::string& name, uint32_t value, std::string& text);

private:
    fieldbus::DeviceAccess* device_;
    QueryIdentity identity_;
};

}  // namespace query
