// firmware: a firmware file checked against a positioner, downloaded into it, activated.
#include <filesystem>

#include "cli/Context.h"
#include "firmware/FirmwareCommands.h"
#include "firmware/FirmwareDevice.h"
#include "platform/Ui.h"

namespace cli {

namespace {

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
        if (ctx.Json())
            ctx.PrintJson({{"tag", tag}, {"file", file}, {"fits", fits == 0}});
        else
            ctx.Print(fits == 0 ? file + " fits " + tag + "." : file + " does not fit " + tag + ".");
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
    if (ctx.Json()) ctx.PrintJson({{"tag", tag}, {"action", action}, {"result", result}});
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
