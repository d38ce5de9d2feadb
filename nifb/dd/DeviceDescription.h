#pragma once
// A device description as a host keeps it: the names, types, record members, labels, help
// texts and enumeration texts of every object a device type has, for one manufacturer,
// device type and device revision. A device on the bus knows its objects by index only;
// a transport that reaches devices by index (High Speed Ethernet) resolves the names the
// program uses through the description, and answers attributes and help from it.
//
// Descriptions are files in a description folder, one per device type and revision (see
// DescriptionPath). The simulator writes them for the device types of a segment.
#include <cstdint>
#include <string>
#include <vector>

#include "nifb/ObjectRecords.h"
#include "nifb/nifb.h"

namespace nifb::dd {

struct Item {
    uint32_t value = 0;
    std::string text;  // "|en|Linear", optionally followed by other languages
    bool operator==(const Item&) const = default;
};

struct Member {
    std::string name;  // empty for array elements
    uint16_t dataType = NIF_DT_UINT8;
    uint16_t size = 1;
    uint16_t offset = 0;
    std::vector<Item> items;
    bool bitItems = false;
    bool operator==(const Member&) const = default;
};

struct Object {
    // Block parameters: relative to the block's start index (0 is the block record).
    // Management objects and objects outside blocks: the absolute index.
    uint16_t index = 0;
    std::string name;
    uint8_t objectCode = NIF_OC_SIMPLE;
    uint16_t dataType = NIF_DT_UINT8;  // simple type, array element type, or structure number
    uint16_t size = 0;
    std::vector<Member> members;       // records and arrays
    std::vector<Item> items;
    bool bitItems = false;
    std::string label;
    std::string help;
    std::vector<uint16_t> viewMembers;  // views: relative indexes of the member objects
    bool operator==(const Object&) const = default;
};

// One block type of the device, known by the DD item its block record carries.
struct BlockType {
    uint32_t ddItem = 0;
    std::vector<Object> parameters;
    bool operator==(const BlockType&) const = default;
};

struct Description {
    uint32_t manufacturerId = 0;
    uint16_t deviceType = 0;
    uint8_t deviceRevision = 0;
    uint8_t ddRevision = 0;
    std::vector<BlockType> blocks;
    std::vector<Object> mib;      // management objects (absolute indexes)
    std::vector<Object> vfd;      // function-block VFD objects outside any block (absolute indexes)
    bool operator==(const Description&) const = default;
};

// Bounds a description file must keep; a file beyond them is refused.
constexpr size_t kMaxDescriptionBytes = 8 * 1024 * 1024;
constexpr size_t kMaxBlockTypes = 64;
constexpr size_t kMaxObjects = 2048;      // per block type, and in each of mib and vfd
constexpr size_t kMaxMembers = 255;       // record or array members, view members
constexpr size_t kMaxItems = 1024;        // enumeration or bit texts of one object or member
constexpr size_t kMaxNameBytes = 64;      // object and member names (Latin-1 bytes)
constexpr size_t kMaxTextBytes = 4096;    // labels, help and item texts

// Where a description lives in a description folder.
// Layout: <folder>/<manufacturer, 6 hex digits>/<device type, 4 hex>/<device revision, 2 hex>.json,
// e.g. dd/42524B/0001/02.json.
std::string DescriptionPath(const std::string& folder, uint32_t manufacturerId, uint16_t deviceType,
                            uint8_t deviceRevision);
// The host's description folder: $NIFB_DD_PATH, else the registry value "DD Path"
// under the library's key, else the descriptions shipped with the simulator.
std::string DefaultDescriptionFolder();

// The description as file text, and back. Texts in memory are the bytes a device sends
// (ISO Latin-1); the file, JSON, holds them as UTF-8. Reading checks every field and bound and gives a
// message naming what is wrong; `out` is untouched on failure.
std::string WriteDescription(const Description& description);
bool ReadDescription(const std::string& text, Description& out, std::string& error);
// Loads a description file: E_OK, E_SYMBOL_FILE_NOT_FOUND (no such file) or
// E_DD_LOAD_FAILED (the file is not a readable description; `error` says why).
int LoadDescription(const std::string& path, Description& out, std::string& error);

// The manufacturer and device type a device ID carries by the Fieldbus convention: six
// hexadecimal digits of manufacturer, four of device type, then the serial number. False
// when the ID does not follow it.
bool IdentityOfDeviceId(const std::string& deviceId, uint32_t& manufacturerId, uint16_t& deviceType);
// The highest device revision `folder` holds a description of for this manufacturer and
// device type; 0 when it holds none.
uint8_t LatestDescribedRevision(const std::string& folder, uint32_t manufacturerId, uint16_t deviceType);

// A block as the device's block list shows it.
struct BlockPlace {
    std::string tag;        // blank-trimmed
    uint16_t startIndex = 0;
    uint32_t ddItem = 0;
};

// An object name resolved to what goes on the wire.
struct Resolved {
    const Object* object = nullptr;
    int member = -1;          // -1: the whole object
    uint16_t index = 0;       // absolute object-dictionary index
    uint8_t subindex = 0;     // 0: the whole object; n: member n
    uint16_t size = 0;        // bytes on the wire
    // The block the object belongs to (null for MIB and VFD objects) and its start index:
    // a view's members are objects of that block.
    const BlockType* blockType = nullptr;
    uint16_t blockStart = 0;
};

// Resolves a name the way the library's API addresses objects: on a block ("MODE_BLK",
// "MODE_BLK.TARGET", "BOOST_VALUE.2", an index made with makeIndex/makeIndexSubindex), on a
// VFD ("FV101_TB.FINAL_VALUE", a VFD object, an index), or on the MIB ("FB_START_ENTRY.1").
// `block` is null for VFD-level names. Returns E_OK, E_NOT_FOUND, or E_DD_LOOKUP_FAILED
// when the block's DD item is not in the description; an index name answers as the device
// does: E_OBJECT_UNDEFINED for an index no object has, E_ACC_ELEM_UNSUPPORTED for a
// subindex beyond the object's members. A view's member n ("VIEW_1.3", "$I1060.3") is
// that member object itself, as a device reads it.
int ResolveOnBlock(const Description& d, const BlockPlace& block, const std::string& name, Resolved& out);
int ResolveOnVfd(const Description& d, const std::vector<BlockPlace>& blocks, const std::string& name,
                 Resolved& out);
int ResolveOnMib(const Description& d, const std::string& name, Resolved& out);

// The block type with this DD item; null when the description has none.
const BlockType* FindBlockType(const Description& d, uint32_t ddItem);

// What a device answers about a resolved object, from the description alone: its name
// (the member's for a member), its type (the object's index; view members with their
// absolute indexes), its attributes (label, help, enumeration or bit texts) and its
// description text (the help, else the name).
std::string NameOf(const Resolved& r);
nifb::TypeInfo TypeOf(const Resolved& r);
nifb::AttributeInfo AttributesOf(const Resolved& r);
std::string DescriptionTextOf(const Resolved& r);

}  // namespace nifb::dd
