#include "simulator/ExtensionChain.h"

#include "simulator/Device.h"

namespace simulator {

int ExtensionChain::OnWrite(Device& device, Block* block, DeviceObject& object, int member,
                            const std::vector<uint8_t>& bytes, uint64_t nowMs, bool& handled) {
    for (const auto& part : parts_) {
        const int st = part->OnWrite(device, block, object, member, bytes, nowMs, handled);
        if (st != E_OK || handled) return st;
    }
    return E_OK;
}

void ExtensionChain::Advance(Device& device, uint64_t fromMs, uint64_t toMs) {
    for (const auto& part : parts_) part->Advance(device, fromMs, toMs);
}

int ExtensionChain::DownloadDomain(Device& device, const std::string& domain, const std::vector<uint8_t>& bytes,
                                   uint64_t nowMs) {
    for (const auto& part : parts_) {
        const int st = part->DownloadDomain(device, domain, bytes, nowMs);
        if (st != E_OBJECT_ACCESS_UNSUPPORTED) return st;
    }
    return E_OBJECT_ACCESS_UNSUPPORTED;
}

bool ExtensionChain::ModelsValve() const {
    for (const auto& part : parts_)
        if (part->ModelsValve()) return true;
    return false;
}

int ExtensionChain::Control(Device& device, const std::string& command, const JsonValue& args, uint64_t nowMs,
                            JsonValue& reply, std::string& error) {
    for (const auto& part : parts_) {
        const int st = part->Control(device, command, args, nowMs, reply, error);
        if (st >= 0) return st;
    }
    return -1;
}

void AttachExtension(Device& device, std::shared_ptr<DeviceExtension> extension) {
    if (!device.extension) {
        device.extension = std::move(extension);
        return;
    }
    auto chain = std::dynamic_pointer_cast<ExtensionChain>(device.extension);
    if (!chain) {
        chain = std::make_shared<ExtensionChain>();
        chain->Add(device.extension);
        device.extension = chain;
    }
    chain->Add(std::move(extension));
}

}  // namespace simulator
