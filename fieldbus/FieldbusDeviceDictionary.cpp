// Object-dictionary lookups by index on the device's first VFD: names, sizes, object codes,
// data types, and the Fieldbus link objects.
#include "fieldbus/DeviceMessages.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/ObjectDictionaryNames.h"
#include "values/ValueCodec.h"

namespace fieldbus {

namespace {
constexpr uint16_t kNameCapacity = 256;
constexpr uint16_t kLinkObjectSize = 8;
}  // namespace

std::string FieldbusDevice::GetParameterName(int block, int relativeIndex) {
    return GetParameterName(block, relativeIndex, 0);
}

// Subindex 0 names the whole object, 1 and up its members.
std::string FieldbusDevice::GetParameterName(int block, int relativeIndex, int subindex) {
    std::string name;
    bool failed = true;
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        uint32_t start = 0;
        if (StartIndex(block, start)) {
            const uint32_t index = start + static_cast<uint32_t>(relativeIndex);
            const std::string object =
                subindex == 0 ? makeIndex(index) : makeIndexSubindex(index, static_cast<uint32_t>(subindex));
            char buffer[kNameCapacity] = {};
            const int status = nifGetObjectName(FirstVfd(), object.c_str(), buffer, sizeof buffer);
            SetLastStatus(status);
            if (status == E_OK) {
                name = Trim(FieldText(buffer, sizeof buffer));
                failed = false;
            }
        }
    }
    if (failed) ShowError(platform::Format("Error: Failed to get parameter name for device %s !", Tag().c_str()));
    return name;
}

int FieldbusDevice::GetObjectSize(int block, int relativeIndex, int subindex, uint16_t& size) {
    size = 0;
    int status = E_INVALID_DESCRIPTOR;
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        uint32_t start = 0;
        if (StartIndex(block, start)) {
            const std::string object =
                makeIndexSubindex(start + static_cast<uint32_t>(relativeIndex), static_cast<uint32_t>(subindex));
            status = nifGetObjectSize(FirstVfd(), object.c_str(), &size);
            SetLastStatus(status);
        }
    }
    if (status != E_OK) {
        size = 0;
        ShowError("Error: Failed to get the object size.");
        return 1;
    }
    return 0;
}

int FieldbusDevice::GetObjectType(int block, int relativeIndex, int subindex, ObjectTypeInfo& info) {
    info = {};
    std::string error;
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        uint32_t start = 0;
        nifObjectType* type = nullptr;
        int status = E_INVALID_DESCRIPTOR;
        if (StartIndex(block, start)) {
            const uint32_t index = start + static_cast<uint32_t>(relativeIndex);
            const std::string object =
                subindex == 0 ? makeIndex(index) : makeIndexSubindex(index, static_cast<uint32_t>(subindex));
            status = nifGetObjectType(FirstVfd(), object.c_str(), &type);
            SetLastStatus(status);
        }
        if (status != E_OK || type == nullptr) {
            error = platform::Format("Error: Failed to get parameter object code for device %s !", Tag().c_str());
        } else {
            info.index = type->index;
            info.objectCode = type->objectCode;
            info.dataType = type->dataType;
            info.size = type->size;
            for (uint16_t i = 0; i < type->numMembers && type->members != nullptr; ++i)
                info.members.push_back({type->members[i].index, type->members[i].objectCode,
                                        type->members[i].dataType, type->members[i].size});
            if (nifFreeObjectType(type) != E_OK) error = "Error: Failed to free the object type.";
        }
    }
    if (!error.empty()) {
        ShowError(error);
        return 1;
    }
    return 0;
}

int FieldbusDevice::GetObjectCode(int block, int relativeIndex, std::string& name) {
    name.clear();
    ObjectTypeInfo info;
    if (GetObjectType(block, relativeIndex, 0, info) != 0) return 1;
    name = ObjectCodeName(info.objectCode);
    return 0;
}

// A simple variable gives its type name; an array its element type with the element count
// ("Float[9]"); a record its members' types, each with its member number ("Float[1] Float[2]").
int FieldbusDevice::GetDataType(int block, int relativeIndex, std::string& name) {
    name.clear();
    ObjectTypeInfo info;
    if (GetObjectType(block, relativeIndex, 0, info) != 0) return 1;
    if (info.objectCode == NIF_OC_ARRAY) {
        name = platform::Format("%s[%d]", DataTypeName(info.dataType).c_str(), static_cast<int>(info.members.size()));
    } else if (info.objectCode == NIF_OC_RECORD || info.objectCode == NIF_OC_VARLIST) {
        for (size_t i = 0; i < info.members.size(); ++i) {
            if (!name.empty()) name += " ";
            name += platform::Format("%s[%d]", DataTypeName(info.members[i].dataType).c_str(), static_cast<int>(i + 1));
        }
    } else {
        name = DataTypeName(info.dataType);
    }
    return 0;
}

int FieldbusDevice::ReadLinkObject(int index, LinkObject& record) {
    record = {};
    uint8_t bytes[kLinkObjectSize] = {};
    uint16_t size = kLinkObjectSize;
    if (CheckAccess(Access::Read) != 0) return 1;
    bool failed = false;
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        if (!LinkHealthy()) return 1;
        failed = ReadObject(At(FirstVfd(), makeIndex(static_cast<uint32_t>(index))), bytes, size, kLinkObjectSize) != 0 ||
                 size != kLinkObjectSize;
    }
    if (failed) {
        ShowError("Error: Failed to read the linkage object.");
        return 1;
    }
    values::ValueCodec& codec = values::ValueCodec::Instance();
    record.localIndex = codec.ReadU16(bytes);
    record.vcrNumber = codec.ReadU16(bytes + 2);
    record.remoteIndex = codec.ReadU16(bytes + 4);
    record.serviceOperation = bytes[6];
    record.staleCountLimit = bytes[7];
    return 0;
}

int FieldbusDevice::ClearLinkObject(int index) {
    const uint8_t zeros[kLinkObjectSize] = {};
    if (CheckAccess(Access::Write) != 0) return 1;
    bool failed = false;
    {
        std::lock_guard<std::recursive_mutex> lock(accessLock_);
        if (!LinkHealthy()) return 1;
        failed = WriteObject(At(FirstVfd(), makeIndex(static_cast<uint32_t>(index))), zeros, kLinkObjectSize) != 0;
    }
    if (failed) {
        ShowError("Error: Failed to clear the linkage object.");
        return 1;
    }
    return 0;
}

}  // namespace fieldbus
