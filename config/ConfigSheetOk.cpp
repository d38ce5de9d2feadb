#include "config/ConfigSheetOk.h"

#include <memory>
#include <vector>

#include "fieldbus/OperationState.h"
#include "platform/Ui.h"

namespace config {

using platform::ShowMessage;

namespace {

constexpr const char* kWriteFailed = "WARNING: Failed to write all the changed device configuration data.";

// Takes the device out of service behind a wait window; 0 when it is.
int TakeOutOfService(const SheetTarget& target) {
    auto wait = platform::GetUi().CreateProgressWindow("Configure" + target.deviceSuffix, "Cancel");
    if (wait) {
        wait->EnableButton(false);
        wait->SetText("Changing Device Operation State to OOS");
    }
    fieldbus::DeviceAccess& device = *target.device;
    const bool bumpless = target.bumpless;
    const int result = OrInPlace(target.runBus)([&device, bumpless] {
        return device.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnConfigurationChange, false, bumpless);
    });
    if (wait) wait->Close();
    return result;
}

}  // namespace

bool HasControllerPage(const CConfigData& record) { return record.general.pidBlockActivation != 0; }

std::string OutOfServiceQuestion() {
    return std::string("To set the configuration data,the device need to be put into O/S (out of service) state\n") +
           "which will cause the controller ceasing functioning !\n" + "\nDo you want to proceed ?";
}

SheetOutcome ApplyConfigSheet(const SheetEdits& edits, CConfigData& record, const SheetTarget& target) {
    SheetOutcome outcome;
    fieldbus::DeviceAccess* device = target.device != nullptr && target.device->IsOpen() ? target.device : nullptr;

    PositionPageWriter position;
    ActuatorPageWriter actuator;
    AoBlockPageWriter ao;
    ControllerPageWriter controller;
    OptionPageWriter option;
    GeneralPageWriter general;
    std::vector<ConfigPageWriter*> writers{&position, &actuator, &ao};
    // A device without a PID block has nothing to take the Controller page's values.
    if (HasControllerPage(record) && (device == nullptr || device->BlockOf(fieldbus::BlockKind::PID) >= 0))
        writers.push_back(&controller);
    writers.push_back(&option);
    writers.push_back(&general);

    bool anyChange = false;
    for (ConfigPageWriter* writer : writers)
        if (writer->HasChanges(edits, record)) anyChange = true;

    if (device != nullptr && anyChange) {
        // A device that stopped answering would fail every write: say so once and keep the
        // sheet open, so nothing the user entered is lost.
        if (target.isPresent && !target.isPresent()) {
            ShowMessage("Error: The device" + target.deviceSuffix +
                        " does not answer. Nothing was written.\n\nPress OK again once it answers, or Cancel.");
            outcome.close = false;
            return outcome;
        }
        int state = fieldbus::kUnnamedState;
        if (OrInPlace(target.runBus)([device, &state] { return device->ReadOperationState(state); }) != 0)
            state = fieldbus::kUnnamedState;
        bool ready = true;
        if (state != fieldbus::kOutOfService) {
            const int answer =
                ShowMessage(OutOfServiceQuestion(), platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2);
            ready = answer == platform::IDYES && TakeOutOfService(target) == 0;
        } else {
            // Shown out of service as soon as one of RB, TB and AO is: the others follow
            // without a question, so that no write has to ask from the bus thread.
            ready = OrInPlace(target.runBus)([device, &target] {
                        return device->SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnConfigurationChange,
                                                         false, target.bumpless);
                    }) == 0;
        }
        if (!ready) {
            ShowMessage(kWriteFailed);
            outcome.failed = true;
            return outcome;
        }
    }

    PageWriteTarget pageTarget;
    pageTarget.device = device;
    pageTarget.runBus = target.runBus;
    pageTarget.isTagUnique = target.isTagUnique;
    bool stored = false;
    for (ConfigPageWriter* writer : writers) {
        const int result = writer->Write(edits, record, pageTarget);
        stored = stored || writer->StoredAny();
        if (result != 0) {
            outcome.failed = true;
            break;
        }
    }
    outcome.wroteDevice = device != nullptr && anyChange;
    if (stored) record.dataState = StateChangedByPage;
    outcome.tagAddress = general.Request();
    if (outcome.failed) ShowMessage(kWriteFailed);
    return outcome;
}

}  // namespace config
