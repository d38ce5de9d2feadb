#pragma once
// The fixed parameter name tables of the six configuration groups, in the order their values
// are read from and written to the device (path form, see fieldbus/ParameterStream.h). A
// table's order is the order of the stream operations in ConfigGroupReads.cpp and
// ConfigGroupDownloads.cpp; the two are kept side by side.
#include <string>
#include <vector>

#include "fieldbus/BlockKind.h"

namespace config::names {

using Table = std::vector<std::string>;

// Reads.
const Table& GeneralRbRead();
const Table& GeneralTbRead();
const Table& PositionRead();
const Table& ExtendedServoRead();  // also the table of the extended download
const Table& ActuatorRead();
const Table& AoBlockRead();
const Table& PidBlockRead();
const Table& OptionRead();

// Downloads.
const Table& PositionDownload();
const Table& ActuatorDownload();
const Table& AoBlockDownload();
const Table& PidBlockDownload();
const Table& CharacterisationChoices();  // read before the option download
const Table& OptionDownload();
const Table& GeneralRbDownload();
const Table& GeneralTbDownload();

// Every table with the block it is used on, for checks that each name exists on a device.
struct TableOnBlock {
    fieldbus::BlockKind block;
    const Table* table;
};
std::vector<TableOnBlock> AllTables();

}  // namespace config::names
