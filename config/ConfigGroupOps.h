#pragma once
// The group operations one by one (ConfigGroupReads.cpp, ConfigGroupDownloads.cpp); callers
// use ReadGroup and DownloadGroup of ConfigGroupTransfer.h.
#include "config/ConfigGroupTransfer.h"
#include "fieldbus/BlockKind.h"
#include "fieldbus/DeviceAccess.h"
#include "fieldbus/ParameterStream.h"

namespace config::ops {

int ReadGeneral(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int ReadPosition(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
// internalGainRead: INTERNAL_GAIN is taken as the record holds it (read with the servo values).
int ReadActuator(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus, bool internalGainRead);
// readOnly: unsupported IO_OPTS bits are kept as read, the device is not written.
int ReadAoBlock(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus, bool readOnly);
int ReadPidBlock(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int ReadOption(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);

// The extended servo members are written only when the record holds them and the target has
// them; a target without them gets a line in `notes` naming what was skipped.
int DownloadPosition(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus, std::string* notes);
int DownloadActuator(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int DownloadAoBlock(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int DownloadPidBlock(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int DownloadOption(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int DownloadGeneral(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);

// A stream over one of the name tables on the device's block of `kind`.
std::unique_ptr<fieldbus::ParameterStream> Stream(fieldbus::DeviceAccess& device, fieldbus::BlockKind kind,
                                                  const std::vector<std::string>& table);

}  // namespace config::ops
