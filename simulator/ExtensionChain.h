#pragma once
// Several extensions behind one device (the valve model, the firmware domain, ...): a write
// goes to each in turn until one handles or refuses it, every one advances, a domain
// download and a control command go to the first that takes them.
#include <memory>
#include <vector>

#include "simulator/DeviceExtension.h"

namespace simulator {

class ExtensionChain : public DeviceExtension {
public:
    void Add(std::shared_ptr<DeviceExtension> extension) { parts_.push_back(std::move(extension)); }
    const std::vector<std::shared_ptr<DeviceExtension>>& Parts() const { return parts_; }

    int OnWrite(Device& device, Block* block, DeviceObject& object, int member, const std::vector<uint8_t>& bytes,
                uint64_t nowMs, bool& handled) override;
    void Advance(Device& device, uint64_t fromMs, uint64_t toMs) override;
    int DownloadDomain(Device& device, const std::string& domain, const std::vector<uint8_t>& bytes,
                       uint64_t nowMs) override;
    bool ModelsValve() const override;
    int Control(Device& device, const std::string& command, const JsonValue& args, uint64_t nowMs, JsonValue& reply,
                std::string& error) override;

private:
    std::vector<std::shared_ptr<DeviceExtension>> parts_;
};

// Gives `device` the extension besides those it has (a chain once there are two).
void AttachExtension(Device& device, std::shared_ptr<DeviceExtension> extension);

// The device's extension of type T, nullptr when it has none.
template <typename T>
T* FindExtension(DeviceExtension* extension) {
    if (auto* found = dynamic_cast<T*>(extension)) return found;
    if (auto* chain = dynamic_cast<ExtensionChain*>(extension))
        for (const auto& part : chain->Parts())
            if (auto* found = dynamic_cast<T*>(part.get())) return found;
    return nullptr;
}

}  // namespace simulator
