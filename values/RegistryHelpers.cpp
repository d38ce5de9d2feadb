// One-call registry reads and writes with the diagnostic messages of the Shift switch.
#include "values/RegistryHelpers.h"

#include "platform/Ui.h"

namespace values {

namespace {

bool DiagnosticsOn() { return platform::GetUi().IsKeyDown(platform::Key::Shift); }

}  // namespace

std::string ReadRegistryString(platform::Registry& registry, platform::RegRoot root, const std::string& subkey,
                               const std::string& valueName) {
    platform::RegValue value;
    const int status = registry.GetValue(root, subkey, valueName, value);
    if (status == platform::REG_OK && value.type == platform::RegType::String) return value.text;
    if (DiagnosticsOn())
        platform::ShowMessage(platform::Format("Error quering %s under subkey %s with handle %d", valueName.c_str(),
                                               subkey.c_str(), platform::RootHandle(root)));
    return {};
}

void ReportRegistryDwordFailure(platform::RegRoot root, const std::string& subkey, const std::string& valueName,
                                uint32_t value) {
    if (DiagnosticsOn())
        platform::ShowMessage(platform::Format("Error setting %d for %s under subkey %s with handle %d",
                                               static_cast<int>(value), valueName.c_str(), subkey.c_str(),
                                               platform::RootHandle(root)));
}

int WriteRegistryDword(platform::Registry& registry, platform::RegRoot root, const std::string& subkey,
                       const std::string& valueName, uint32_t value) {
    const int status = registry.SetDword(root, subkey, valueName, value);
    if (status != platform::REG_OK) ReportRegistryDwordFailure(root, subkey, valueName, value);
    return status;
}

int WriteRegistryString(platform::Registry& registry, platform::RegRoot root, const std::string& subkey,
                        const std::string& valueName, const std::string& text) {
    const int status = registry.SetString(root, subkey, valueName, text);
    if (status != platform::REG_OK && DiagnosticsOn())
        platform::ShowMessage(platform::Format("Error setting %s for %s under subkey %s with handle %d", text.c_str(),
                                               valueName.c_str(), subkey.c_str(), platform::RootHandle(root)));
    return status;
}

std::string ReadRegistryString(platform::RegRoot root, const std::string& subkey, const std::string& valueName) {
    return ReadRegistryString(platform::Registry::Instance(), root, subkey, valueName);
}

int WriteRegistryDword(platform::RegRoot root, const std::string& subkey, const std::string& valueName,
                       uint32_t value) {
    return WriteRegistryDword(platform::Registry::Instance(), root, subkey, valueName, value);
}

int WriteRegistryString(platform::RegRoot root, const std::string& subkey, const std::string& valueName,
                        const std::string& text) {
    return WriteRegistryString(platform::Registry::Instance(), root, subkey, valueName, text);
}

}  // namespace values
