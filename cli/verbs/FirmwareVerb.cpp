// firmware: a firmware file checked against a positioner, downloaded into it, activated.
#include <filesystem>

#include "cli/Context.h"
#include "firmware/FirmwareCommands.h"
#include "firmware/FirmwareDevice.h"
#include "platform/Ui.h"

namespace cli {

namespace {

// How long a device that restarted with new firmware may take to be listed again.
constexpr uint64_t kRestartLimitMs = 60000;

// The revision the device runs after a download or an activation: read where it is, or once it
// is listed again after a restart (an activation restarts it, and the link may lose it while
// it does). Empty when it cannot be read.
std::string RevisionAfter(Context& ctx, int slot, const std::string& deviceId, bool restarted) {
    if (restarted || !ctx.Link().IsPresent(slot) || !ctx.Link().Device(slot).IsOpen()) {
        slot = ctx.WaitForDevice(deviceId, kRestartLimitMs);
        if (slot < 0 || ctx.OpenDevice(slot) != 0) return {};
    }
    const std::string revision = firmware::FirmwareDevice(ctx.Link().Device(slot)).RunningRevision();
    ctx.Pump();
    return revision;
}

int RunFirmware(Context& ctx) {
    const std::string& action = ctx.Argument(0);
    const std::string& tag = ctx.Argument(1);
    const bool needsFile = action == "verify" || action == "download";
    if (!needsFile && action != "activate") {
        ctx.Error("Error: \"" + action + "\": the firmware actions are verify, download and activate.");
        return kExitUsage;
    }
    if (needsFile != (ctx.Arguments().size() == 3)) {
        ctx.Error(needsFile ? "Error: " + action + " takes the firmware file after the tag."
                            : "Error: activate takes no file.");
        return kExitUsage;
    }
    const std::string file = needsFile ? ctx.Argument(2) : std::string();
    std::error_code ec;
    if (needsFile && !std::filesystem::is_regular_file(file, ec)) {
        platform::ShowMessage(platform::Format("Error: Unable to open file %s.", file.c_str()));
        return kExitFailed;
    }
    const int slot = ctx.OpenDeviceByTag(tag);
    if (slot < 0) return kExitFailed;
    fieldbus::FieldbusDevice& device = ctx.Link().Device(slot);
    const std::string deviceId = ctx.Link().GetDeviceId(slot);
    const std::string runningBefore = firmware::FirmwareDevice(device).RunningRevision();
    ctx.Pump();

    // Only the link-master types take firmware: a file that matches another type fits nothing
    // that download would write it into.
    const firmware::FirmwareTarget target = firmware::ReadFirmwareTarget(device, slot, tag);
    ctx.Pump();
    const bool takesFirmware = target.deviceType == "7";
    const std::string typeRefusal =
        "Error: Firmware is downloaded only into positioners of device type 7 (the link-master types); " + tag +
        " is of type " + (target.deviceType.empty() ? "unknown" : target.deviceType) + ".";
    if (action == "verify") {
        int fits = 1;
        if (takesFirmware) {
            firmware::FirmwareDevice checker(device);
            fits = checker.VerifyFirmwareFile(file);
        } else {
            ctx.Error(typeRefusal);
        }
        ctx.Pump();
        const std::string running = runningBefore.empty() ? "an unknown firmware" : "firmware " + runningBefore;
        if (ctx.Json())
            ctx.PrintJson({{"tag", tag}, {"file", file}, {"fits", fits == 0}, {"running", runningBefore}});
        else
            ctx.Print((fits == 0 ? file + " fits " + tag : file + " does not fit " + tag) + " (it runs " + running + ").");
        return fits == 0 ? kExitOk : kExitFailed;
    }
    // The window's steps are the progress of a download that takes a while.
    ctx.Ui().SetEchoProgress(ctx.Ui().EchoProgress() || !ctx.Quiet());
    int result = kExitFailed;
    if (action == "activate") {
        result = firmware::FirmwareActivateCommand(device);
    } else {
        if (!takesFirmware) {
            ctx.Error(typeRefusal);
            return kExitFailed;
        }
        // The activation questions are answered by --activate, not by --yes.
        if (ctx.Flag("activate"))
            ctx.Ui().AnswerQuestion("ACTIVATE the new firmware", platform::IDYES, "--activate");
        else
            ctx.Ui().AnswerQuestion("ACTIVATE the new firmware", platform::IDNO, "without --activate");
        result = firmware::FirmwareDownloadCommand(device, target, [&file](const config::FileDialogRequest&) {
            return config::FileDialogResult{true, file, 1};
        });
    }
    ctx.Pump();
    // Which firmware runs now is read back, above all when the activation's end was not seen
    // (the device may have restarted with the new firmware while the link lost it).
    const bool activated = action == "activate" || ctx.Flag("activate");
    const std::string runningAfter = result == 2 ? runningBefore : RevisionAfter(ctx, slot, deviceId, activated);
    const std::string now = runningAfter.empty() ? std::string("cannot be read") : runningAfter;
    if (result == 1 && activated)
        ctx.Error("Error: The activation on " + tag + " was not confirmed. It ran firmware " +
                  (runningBefore.empty() ? std::string("unknown") : runningBefore) + " before; the firmware it runs now " +
                  (runningAfter.empty() ? "cannot be read." : "is " + runningAfter + "."));
    if (ctx.Json())
        ctx.PrintJson({{"tag", tag}, {"action", action}, {"result", result}, {"runningBefore", runningBefore},
                       {"running", runningAfter}});
    else
        ctx.Print(tag + " runs firmware " + now + (runningAfter == runningBefore ? "." : " (before: " + runningBefore + ")."));
    return result;
}

}  // namespace

Verb FirmwareVerb() {
    Verb verb;
    verb.name = "firmware";
    verb.arguments = "verify|download|activate TAG [FILE]";
    verb.summary = "check, download and activate positioner firmware";
    verb.description =
        "verify TAG FILE compares the 44-byte download header of the firmware file FILE (.ffd) with the firmware in "
        "the positioner with the PD tag TAG (manufacturer, family, device type, domain name) and says whether it "
        "fits; exit status 1 when not.\n\n"
        "download TAG FILE does what the program's Firmware Download does, with its two confirmations and its "
        "steps on standard error: check the file, prepare the device's download domain, stream the file into it. "
        "With --activate the new firmware is activated afterwards (the device restarts with it); without, it "
        "waits in the device for \"activate\". Only positioners of device type 7 take firmware.\n\n"
        "activate TAG activates a firmware downloaded earlier, after the program's two questions.\n\n"
        "--yes answers the confirmations; declining ends with exit status 2.";
    verb.options = {{"activate", "", "After a download, activate the new firmware at once.", ""}};
    verb.examples = {"tessaro-cli firmware verify FV-102 simulator/firmware/42524B0007_0007_SW2.10.00.ffd",
                     "tessaro-cli firmware download FV-102 simulator/firmware/42524B0007_0007_SW2.10.00.ffd --yes "
                     "--activate"};
    verb.minArguments = 2;
    verb.maxArguments = 3;
    verb.run = RunFirmware;
    return verb;
}

}  // namespace cli
