#include "simulator/FirmwareDomain.h"

#include <cstdlib>

#include "nifb/IndexName.h"
#include "simulator/Device.h"

namespace simulator {

namespace {

constexpr size_t kDescriptorBytes = 24;

DeviceObject* VfdObject(Device& device, uint16_t index) {
    for (DeviceObject& o : device.vfdObjects)
        if (o.index == index) return &o;
    return nullptr;
}

DeviceObject* SoftdwnObject(Device& device, const char* name) {
    Block* rb = device.BlockByKind("RB");
    return rb ? rb->Obj(name) : nullptr;
}

Member Field(const char* name, uint16_t dataType, uint16_t size, bool readOnly) {
    Member m;
    m.name = name;
    m.dataType = dataType;
    m.size = size;
    m.readOnly = readOnly;
    return m;
}

}  // namespace

void FirmwareDomain::Install(Device& device) {
    DeviceObject descriptor = RecordParam("DOMAIN_DESCRIPTOR", 0,
                                          {Field("COMMAND", NIF_DT_UINT8, 1, false), Field("STATE", NIF_DT_UINT8, 1, true),
                                           Field("ERROR_CODE", NIF_DT_UINT16, 2, true),
                                           Field("RESERVED", NIF_DT_OCTSTRING, kDescriptorBytes - 4, true)});
    descriptor.index = kDomainDescriptorIndex;
    descriptor.Dyn();
    descriptor.value[1] = kNotReady;
    DeviceObject header = Simple("DOMAIN_HEADER", NIF_DT_OCTSTRING, kFirmwareHeaderBytes).RO();
    header.index = kDomainHeaderIndex;
    header.value = EncodeFirmwareHeader(PositionerFirmwareHeader(device.manufacturerId, device.deviceType,
                                                                 device.deviceRevision, device.ddRevision));
    DeviceObject domain = Simple("DOMAIN", NIF_DT_OCTSTRING, 1).RO();
    domain.index = kDomainIndex;
    device.vfdObjects.push_back(std::move(descriptor));
    device.vfdObjects.push_back(std::move(header));
    device.vfdObjects.push_back(std::move(domain));
    device.extension = std::make_shared<FirmwareDomain>();
}

void FirmwareDomain::InjectError(Stage stage, uint16_t code) { injected_[static_cast<int>(stage)] = code; }

FirmwareHeader FirmwareDomain::RunningHeader(Device& device) {
    FirmwareHeader h;
    if (DeviceObject* o = VfdObject(device, kDomainHeaderIndex)) DecodeFirmwareHeader(o->value, h);
    return h;
}

void FirmwareDomain::SetState(Device& device, uint8_t state, uint16_t errorCode) {
    state_ = state;
    if (DeviceObject* o = VfdObject(device, kDomainDescriptorIndex)) {
        o->value[1] = state;
        PutU16BE(o->value, 2, errorCode);
    }
}

void FirmwareDomain::Fail(Device& device, uint16_t code) {
    image_.clear();
    prepareDoneAt_ = activateDoneAt_ = 0;
    SetState(device, kNotReady, code);
    if (DeviceObject* o = SoftdwnObject(device, "SOFTDWN_ERROR")) PutU16BE(o->value, 0, code);
}

int FirmwareDomain::OnWrite(Device& device, Block* block, DeviceObject& object, int member,
                            const std::vector<uint8_t>& bytes, uint64_t nowMs, bool& handled) {
    if (block || object.index != kDomainDescriptorIndex || bytes.empty() || member > 0) return E_OK;
    handled = true;
    const uint8_t command = bytes[0];
    switch (command) {
        case 1: {  // prepare
            const DeviceObject* protect = SoftdwnObject(device, "SOFTDWN_PROTECT");
            if (protect && !protect->value.empty() && protect->value[0] != 1) return E_OBJECT_ACCESS_DENIED;
            if (state_ != kNotReady) {
                Fail(device, kFwOnStartState);
                return E_OBJECT_STATE_CONFLICT;
            }
            if (DeviceObject* o = SoftdwnObject(device, "SOFTDWN_ERROR")) PutU16BE(o->value, 0, 0);
            image_.clear();
            SetState(device, kPreparing, 0);
            prepareDoneAt_ = nowMs + kPrepareMs;
            break;
        }
        case 2:  // activate
            if (state_ != kComplete || activateDoneAt_ != 0) return E_OBJECT_STATE_CONFLICT;
            activateDoneAt_ = nowMs + kActivateMs;
            break;
        case 3:  // cancel
            image_.clear();
            prepareDoneAt_ = activateDoneAt_ = 0;
            SetState(device, kNotReady, 0);
            break;
        default: return E_PARAMETER_CHECK;
    }
    object.value[0] = command;
    return E_OK;
}

void FirmwareDomain::Advance(Device& device, uint64_t, uint64_t toMs) {
    if (prepareDoneAt_ != 0 && toMs >= prepareDoneAt_) {
        prepareDoneAt_ = 0;
        uint16_t& code = injected_[static_cast<int>(Stage::Prepare)];
        if (code != 0) {
            Fail(device, code);
            code = 0;
        } else {
            SetState(device, kReady, 0);
        }
    }
    if (activateDoneAt_ != 0 && toMs >= activateDoneAt_) {
        activateDoneAt_ = 0;
        uint16_t& code = injected_[static_cast<int>(Stage::Activate)];
        if (code != 0) {
            Fail(device, code);  // the device keeps its old firmware
            code = 0;
        } else {
            if (DeviceObject* header = VfdObject(device, kDomainHeaderIndex))
                header->value.assign(image_.begin(), image_.begin() + kFirmwareHeaderBytes);
            image_.clear();
            SetState(device, kNotReady, 0);
            restartAt_ = toMs + kRestartAfterActivateMs;
        }
    }
    if (restartAt_ != 0 && toMs >= restartAt_) {
        restartAt_ = 0;
        device.Restart(toMs);
    }
}

int FirmwareDomain::DownloadDomain(Device& device, const std::string& domain, const std::vector<uint8_t>& bytes,
                                   uint64_t) {
    uint32_t index = 0, subindex = 0;
    const bool byIndex = nifb::ParseIndexName(domain, index, subindex);
    if (byIndex ? index != kDomainIndex || subindex != 0 : domain != "DOMAIN") return E_OBJECT_UNDEFINED;
    if (state_ != kReady) {
        Fail(device, kFwNotReadyAtInitiate);
        return E_OBJECT_STATE_CONFLICT;
    }
    uint16_t code = injected_[static_cast<int>(Stage::Download)];
    injected_[static_cast<int>(Stage::Download)] = 0;
    if (code == 0) code = CheckFirmwareFile(bytes, RunningHeader(device));
    if (code != 0) {
        Fail(device, code);
        return E_PARAMETER_CHECK;
    }
    image_ = bytes;
    SetState(device, kComplete, 0);
    return E_OK;
}

int FirmwareDomain::Control(Device&, const std::string& command, const JsonValue& args, uint64_t, JsonValue&,
                            std::string& error) {
    if (command != "firmwareError") return -1;
    std::string at;
    if (!ReadText(args, "at", at, error)) return 1;
    Stage stage;
    if (at == "prepare")
        stage = Stage::Prepare;
    else if (at == "download")
        stage = Stage::Download;
    else if (at == "activate")
        stage = Stage::Activate;
    else {
        error = "firmwareError needs at: prepare, download or activate";
        return 1;
    }
    int64_t code = -1;
    if (args.contains("code") && args["code"].is_string()) {
        const std::string text = args["code"].get<std::string>();
        char* end = nullptr;
        const long value = std::strtol(text.c_str(), &end, 0);
        if (!text.empty() && *end == '\0') code = value;
    } else if (!ReadWhole(args, "code", 0, 0xFFFF, code, error)) {
        return 1;
    }
    if (code < 0 || code > 0xFFFF) {
        error = "firmwareError needs a code from 0 to 0xFFFF";
        return 1;
    }
    InjectError(stage, static_cast<uint16_t>(code));
    return 0;
}

}  // namespace simulator
