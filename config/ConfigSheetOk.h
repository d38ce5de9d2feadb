#pragma once
// What the configuration sheet does on OK: when a device is open and something changed, the
// device is taken out of service after one question; then the page writers run in the order
// Position, Actuator, AO Block, Controller (only with the PID block activated), Option,
// General, each only when the one before succeeded, writing only what differs from the
// record and storing it there. Without a device the writers store into the record only.
//
// The device stays out of service afterwards; the view's operation-state commands return it
// to normal.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/ConfigPageWriters.h"

namespace config {

struct SheetTarget {
    fieldbus::DeviceAccess* device = nullptr;  // the open device, null without one
    std::string deviceSuffix;                  // " (<tag>)" or " (No Device Attached)"
    BusRunner runBus;                          // empty: in place
    std::function<bool()> isPresent;           // whether the device still answers on the link
    std::function<bool(const std::string& tag)> isTagUnique;
    bool bumpless = true;                      // bumpless transfer configured (record's flag)
    // The node addresses the device may take (the General page's choice) and whether its
    // current one is among them.
    std::vector<uint8_t> offeredAddresses;
    bool offerCurrentAddress = false;
};

struct SheetOutcome {
    // False: nothing happened and the sheet stays open (the device stopped answering).
    bool close = true;
    bool wroteDevice = false;  // a page wrote to the device (its static revisions moved)
    bool failed = false;       // the warning was shown
    TagAddressRequest tagAddress;
};

// Whether the sheet has its Controller page (and runs its writer).
bool HasControllerPage(const CConfigData& record);

SheetOutcome ApplyConfigSheet(const SheetEdits& edits, CConfigData& record, const SheetTarget& target);

// "To set the configuration data,the device need to be put into O/S (out of service) state\n..."
std::string OutOfServiceQuestion();

}  // namespace config
