// restore: a configuration file downloaded to a positioner and read back.
#include "cli/ConfigComparison.h"
#include "cli/ConfigSources.h"
#include "cli/Context.h"
#include "config/ConfigTransfer.h"
#include "config/OtherDeviceCheck.h"
#include "fieldbus/BlockModes.h"
#include "logon/HasPrivilege.h"
#include "platform/Clock.h"
#include "platform/Ui.h"

using platform::Format;

namespace cli {

namespace {

// Logon class of downloading a configuration, as in the program.
constexpr int kDownloadPrivilege = 4;
// How long a device that changed its tag or address, or restarted, may take to be listed again.
constexpr uint64_t kRelistLimitMs = 60000;

int RunRestore(Context& ctx) {
    if (!logon::HasPrivilege(kDownloadPrivilege)) return kExitRefused;
    const std::string& file = ctx.Argument(0);
    const std::string& tag = ctx.Argument(1);
    config::CConfigData data;
    if (LoadConfigurationFile(ctx, file, data) != 0) return kExitFailed;

    int slot = ctx.FindSlot(tag);
    if (slot < 0) return kExitFailed;
    fieldbus::FieldbusLink& link = ctx.Link();
    if (!link.IsPositioner(slot)) {
        ctx.Error("Error: " + tag + " is not a positioner of this program.");
        return kExitFailed;
    }
    if (ctx.Flag("keep-identity")) {
        data.general.pdTag = link.GetTag(slot);
        data.general.nodeAddress = link.GetNodeAddress(slot);
    }
    // The checks and the question of the program's Download command.
    const config::GeneralGroup& general = data.general;
    if (!link.IsPresent(slot)) {
        platform::ShowMessage("Error: The target device is not responsive. Download is cancelled.");
        return kExitFailed;
    }
    if (!link.IsTagUnique(slot, general.pdTag)) {
        platform::ShowMessage(
            Format("Error: The new device tag %s is not unique. Download is cancelled.", general.pdTag.c_str()));
        return kExitFailed;
    }
    if (!link.IsAddressValid(slot, general.nodeAddress)) {
        platform::ShowMessage(Format(
            "Error: The new device address 0x%2x is either invalid or non-unique. Download is cancelled.",
            general.nodeAddress));
        return kExitFailed;
    }
    const std::string otherDevice = config::OtherDeviceQuestion(general, link.GetDeviceId(slot), link.GetTag(slot));
    if (!otherDevice.empty() &&
        platform::ShowMessage(otherDevice, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
            platform::IDYES)
        return kExitRefused;
    const std::string question =
        Format("Current Tag/Address before download: %s / 0x%02x\r\n\r\n", link.GetTag(slot).c_str(),
               link.GetNodeAddress(slot)) +
        Format("Attempting new Tag/Address :              %s / 0x%02x\r\n\r\n", general.pdTag.c_str(),
               general.nodeAddress) +
        "Are you sure that you want to use the new tag/address and download all other configuration data ?";
    if (platform::ShowMessage(question, platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) !=
        platform::IDYES)
        return kExitRefused;

    const std::string deviceId = link.GetDeviceId(slot);
    if (ctx.OpenDevice(slot) != 0) return kExitFailed;
    ctx.Progress("Downloading " + file + " to " + tag + " ...");
    config::TransferOptions options;
    options.waitForClose = false;
    fieldbus::FieldbusDevice& device = link.Device(slot);
    const fieldbus::BlockModeList priorModes = fieldbus::ReadTargetModes(device);
    ctx.Pump();
    if (config::PrepareDeviceForDownload(device, options.runBus) != 0) {
        ctx.Pump();
        ctx.CloseDevice(slot);
        return kExitFailed;
    }
    config::ConfigTransfer transfer(data, &device, config::IdentityOnLink(link, slot), options);
    const int downloaded = transfer.DownloadConfiguration();
    const bool restarted = transfer.Restarted();
    ctx.Pump();
    if (downloaded != 0) {
        // Say what the device holds now: the groups written and those not, and the blocks
        // left out of service.
        const std::vector<fieldbus::BlockKind> out = restarted ? std::vector<fieldbus::BlockKind>{} : fieldbus::BlocksOutOfService(device);
        ctx.Pump();
        ctx.CloseDevice(slot);
        const bool cancelled = transfer.Outcome() == config::TransferOutcome::Cancelled;
        ctx.Error((cancelled ? "Downloading " + file + " to " + tag + " cancelled."
                             : "Error: Downloading " + file + " to " + tag + " failed.") +
                  "\nWritten: " +
                  (transfer.WrittenGroups().empty() ? std::string("none") : config::GroupList(transfer.WrittenGroups())) +
                  ".\nNot written: " +
                  (transfer.NotWrittenGroups().empty() ? std::string("none")
                                                       : config::GroupList(transfer.NotWrittenGroups())) +
                  "." +
                  (cancelled || transfer.NotWrittenGroups().empty()
                       ? std::string()
                       : "\nThe device stopped during " +
                             std::string(config::GroupProgressName(transfer.NotWrittenGroups().front())) +
                             ": it may be partly written.") +
                  (out.empty() ? std::string() : "\nOut of service: " + fieldbus::BlockListText(out) + "."));
        return kExitFailed;
    }
    ctx.CloseDevice(slot);
    if (restarted) {
        // A new boot class restarted the device: it is looked for again.
        ctx.Progress(tag + " restarted with its new boot class; waiting for it ...");
        slot = ctx.WaitForDevice(deviceId, kRelistLimitMs);
        if (slot < 0) {
            ctx.Error("Error: " + tag + " did not come back after its restart; scan the link later.");
            return kExitFailed;
        }
    }

    // The record's tag and address go to the device last.
    if (link.GetTag(slot) != general.pdTag || link.GetNodeAddress(slot) != general.nodeAddress) {
        ctx.Progress(Format("Changing the tag and address of %s to %s / 0x%02x ...", link.GetTag(slot).c_str(),
                            general.pdTag.c_str(), general.nodeAddress));
        std::string outcome;
        link.SetPollPause(true);
        const int changed = link.ChangeTagAddress(slot, general.pdTag, general.nodeAddress, &outcome);
        link.SetPollPause(false);
        ctx.Pump();
        if (changed != 0) {
            ctx.Error("Error: Changing the device tag/address failed." + (outcome.empty() ? "" : "\n" + outcome));
            return kExitFailed;
        }
        slot = ctx.WaitForDevice(deviceId, kRelistLimitMs);
        if (slot < 0) {
            ctx.Error("Error: The device did not answer at its new address; scan the link later.");
            return kExitFailed;
        }
    }

    // Read back: the device must hold what was downloaded.
    ctx.Progress("Reading the configuration of " + general.pdTag + " back ...");
    config::CConfigData back;
    if (ctx.OpenDevice(slot) != 0 || ReadDeviceConfiguration(ctx, slot, back) != 0) {
        ctx.Error("Error: The configuration could not be read back.");
        return kExitFailed;
    }
    // Compared is what the download could write: members the device lacks and a group the file
    // or the device does not have are left out.
    config::CConfigData expected = data;
    if (back.general.extendedServoParameters == 0) expected.general.extendedServoParameters = 0;
    if (!config::RecordHoldsGroup(config::ConfigGroup::PidBlock, data) ||
        !config::RecordHoldsGroup(config::ConfigGroup::PidBlock, back))
        expected.pid = back.pid;
    const std::vector<FieldDifference> differences = CompareConfigurations(expected, back, CompareScope::Downloaded);
    // The download left every block out of service: the modes they had before are offered back.
    fieldbus::FieldbusDevice& after = link.Device(slot);
    if (!priorModes.empty() &&
        platform::ShowMessage(fieldbus::PriorModesQuestion(general.pdTag, priorModes),
                              platform::MB_YESNO | platform::MB_ICONQUESTION) == platform::IDYES &&
        fieldbus::SetTargetModes(after, priorModes) != 0)
        ctx.Error("Error: Not every block took its former mode back.");
    ctx.Pump();
    const std::vector<fieldbus::BlockKind> stillOut = fieldbus::BlocksOutOfService(after);
    ctx.Pump();
    ctx.CloseDevice(slot);
    if (!stillOut.empty())
        ctx.Progress("Out of service: " + fieldbus::BlockListText(stillOut) + "; \"tessaro-cli state " + general.pdTag +
                     " normal\" puts RB, TB and AO back to work, the other blocks need their modes set.");
    if (ctx.Json()) {
        JsonValue fields = JsonValue::array();
        for (const FieldDifference& d : differences)
            fields.push_back({{"group", d.group}, {"field", d.field}, {"file", d.first}, {"device", d.second}});
        ctx.PrintJson({{"file", file}, {"tag", general.pdTag}, {"verified", differences.empty()}, {"differences", fields}});
    } else if (differences.empty()) {
        ctx.Print("Restored " + file + " to " + general.pdTag + "; read back: the device holds the file's configuration.");
    } else {
        ctx.Print("Restored " + file + " to " + general.pdTag + "; read back: the device differs from the file in:");
        for (const FieldDifference& d : differences)
            ctx.Print("  [" + d.group + "] " + d.field + ": " + d.first + " (file) / " + d.second + " (device)");
    }
    return differences.empty() ? kExitOk : kExitFailed;
}

}  // namespace

Verb RestoreVerb() {
    Verb verb;
    verb.name = "restore";
    verb.arguments = "FILE TAG";
    verb.summary = "download a configuration file to a positioner and read it back";
    verb.description =
        "Downloads the configuration file FILE to the positioner with the PD tag TAG the way the program's "
        "Download Configuration does: the same checks (the device answers, the file's tag is unique on the link, "
        "its address valid), the same question with the current and the new tag and address, the blocks taken "
        "out of service, the groups written (Position, Actuator, AO block, PID block, Option, General), a link "
        "master or basic boot class taken from the file (the device restarts), and at last the file's tag and "
        "address given to the device. With --keep-identity the device keeps its own tag and address, so one "
        "file can configure many devices.\n\n"
        "Then the configuration is read back and compared with the file in everything a download writes; any "
        "difference is listed and ends with exit status 1. At the end the blocks are offered their modes from "
        "before the download; the blocks left out of service are named.\n\n"
        "A file read from a device of another family or type (its manufacturer and device type) is downloaded "
        "only after a question (--yes answers it). Members the target lacks (the extended servo parameters) are "
        "skipped and named; a group the file does not hold (the PID block of a positioner without one) is not "
        "written. A download that fails or is cancelled (Ctrl+C) part way names the groups written and those "
        "not, and the blocks left out of service.\n\n"
        "Needs a logon level of 3 or more. --yes answers the question.";
    verb.options = {{"keep-identity", "", "Keep the device's tag and address instead of the file's.", ""}};
    verb.examples = {"tessaro-cli restore backups/FV-101_2025-03-14.dmp FV-101 --yes",
                     "tessaro-cli restore template.dmp KV-201 --keep-identity --yes"};
    verb.minArguments = 2;
    verb.maxArguments = 2;
    verb.run = RunRestore;
    return verb;
}

}  // namespace cli
