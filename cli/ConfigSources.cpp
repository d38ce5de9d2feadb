#include "cli/ConfigSources.h"

#include <filesystem>

#include "config/ConfigFile.h"
#include "config/ConfigTransfer.h"
#include "platform/Ui.h"

namespace cli {

namespace {

// The step the progress text ended on ("Reading Actuator Data ..."), for the failure message.
std::string LastStep(const std::string& progress) {
    const size_t end = progress.rfind(" ...");
    if (end == std::string::npos) return {};
    size_t start = progress.rfind('\n', end);
    start = start == std::string::npos ? 0 : start + 1;
    return progress.substr(start, end - start);
}

}  // namespace

int ReadDeviceConfiguration(Context& ctx, int slot, config::CConfigData& data) {
    fieldbus::FieldbusLink& link = ctx.Link();
    config::TransferOptions options;
    options.waitForClose = false;
    // Reading verbs never write: the device's AO IO_OPTS are reported as it holds them.
    options.readOnly = true;
    config::ConfigTransfer transfer(data, &link.Device(slot), config::IdentityOnLink(link, slot), options);
    const int result = transfer.ReadConfiguration();
    ctx.Pump();
    if (result == 0) return 0;
    const std::string tag = link.GetTag(slot);
    if (transfer.Outcome() == config::TransferOutcome::Cancelled) {
        ctx.Error("Reading the configuration of " + tag + " cancelled.");
    } else {
        const std::string step = LastStep(transfer.ProgressText());
        ctx.Error("Error: Reading the configuration of " + tag + " failed" + (step.empty() ? "" : " at \"" + step + "\"") +
                  ".");
    }
    return 1;
}

int ReadConfigurationOf(Context& ctx, const std::string& tag, config::CConfigData& data) {
    const int slot = ctx.FindSlot(tag);
    if (slot < 0) return 1;
    if (!ctx.Link().IsPositioner(slot)) {
        ctx.Error("Error: " + tag + " is not a positioner of this program; it has no configuration to read.");
        return 1;
    }
    if (ctx.OpenDevice(slot) != 0) return 1;
    const int result = ReadDeviceConfiguration(ctx, slot, data);
    ctx.CloseDevice(slot);
    return result;
}

int LoadConfigurationFile(Context& ctx, const std::string& path, config::CConfigData& data) {
    const int result = config::ReadConfigurationFile(data, path);
    ctx.Pump();
    return result == 0 ? 0 : 1;
}

bool MayWrite(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return true;
    return platform::ShowMessage(path + " already exists.\nDo you want to replace it?",
                                 platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) ==
           platform::IDYES;
}

}  // namespace cli
