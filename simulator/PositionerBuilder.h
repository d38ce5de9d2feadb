#pragma once
// Builds the simulated devices: the valve positioners of both families with their blocks,
// object dictionary, device-description texts and management objects, and a simple
// transmitter that is not a positioner.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "simulator/Device.h"
#include "simulator/valve/ValveSettings.h"

namespace simulator {

struct PositionerOptions {
    uint32_t manufacturerId = 0x42524B;  // 0x42524B or 0x4B5445
    uint16_t deviceType = 1;
    uint8_t deviceRevision = 2;
    uint8_t ddRevision = 1;
    std::string serial = "J0000001";
    std::string pdTag;
    uint8_t address = 248;
    std::string blockTagPrefix;  // empty: the family name ("RPX" / "KPX")
    bool signatureOption = true;
    bool pidOption = true;
    int extraPidBlocks = 0;
    bool inputSelector = false;
    bool arithmetic = false;
    bool bootAsLinkMaster = false;
    bool activeScheduler = false;
    bool pidInLinked = true;  // a link object feeds PID IN from another device
    // AO IO_OPTS starts with the "Invert" bit set, which the positioner does not support
    // (the program removes it when it reads the configuration).
    bool aoInvert = false;
    // The valve behind the positioner; the family's defaults when not given.
    std::optional<valve::ValveSettings> valve;
};

struct TransmitterOptions {
    uint32_t manufacturerId = 0x5A5401;
    uint16_t deviceType = 0x0A01;
    uint8_t deviceRevision = 1;
    uint8_t ddRevision = 1;
    std::string serial = "T0000001";
    std::string pdTag;
    uint8_t address = 248;
    std::string blockTagPrefix = "PT";
};

// Link master type: device type 7, or device type 1 from revision 3.
bool IsLinkMasterType(uint16_t deviceType, uint8_t deviceRevision);
// Extended servo parameters: device type 7 from revision 2, or device type 1 from revision 4.
bool HasExtendedServo(uint16_t deviceType, uint8_t deviceRevision);

std::unique_ptr<Device> BuildPositioner(const PositionerOptions& options, std::string& error);
std::unique_ptr<Device> BuildTransmitter(const TransmitterOptions& options, std::string& error);
// The host interface as a device on its own link: only a management information base, run
// as link master, holding the link's current setting (first unpolled node and count).
std::unique_ptr<Device> BuildHostInterface(const std::string& hostId, uint8_t address, uint8_t firstUnpolledNode,
                                           uint8_t numUnpolledNodes);

}  // namespace simulator
