#pragma once
// What the device tree shows for one display item.
#include <cstdint>
#include <string>

namespace app {

// The eight icons: present or absent, times the kind of device.
enum class DeviceIconKind { NotPositioner, Positioner, LinkMasterCapable, LinkMaster };

struct DeviceTreeItem {
    int item = 0;  // display item number (1..31)
    int slot = 0;
    std::string tag;
    bool present = false;
    DeviceIconKind kind = DeviceIconKind::NotPositioner;
    uint8_t address = 0;
    bool operator==(const DeviceTreeItem&) const = default;
};

// What an icon stands for, for the tree's tooltips: "link-master capable positioner", ...
const char* DeviceKindText(DeviceIconKind kind);

}  // namespace app
