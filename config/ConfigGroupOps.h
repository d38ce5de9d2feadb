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
int ReadActuator(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int ReadAoBlock(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int ReadPidBlock(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int ReadOption(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);

int DownloadPosition(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int DownloadActuator(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int DownloadAoBlock(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int DownloadPidBlock(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int DownloadOption(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);
int DownloadGeneral(CConfigData& data, fieldbus::DeviceAccess& device, const BusRunner& bus);

// A stream over one of the name tables on the device's block of `kind`.
std::unique_ptr<fieldbus::ParameterStream> Stream(fieldbus::DeviceAccess& device, fieldbus::BlockKind kind,
                                                  const std::vector<std::string>& table);

}  // namespace config::ops
