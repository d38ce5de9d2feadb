#include "config/ConfigFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

#include "config/ActuatorDiagnosticsSource.h"
#include "config/CConfigData.h"
#include "config/ConfigArchive.h"
#include "platform/AtomicFile.h"
#include "platform/Ui.h"

namespace config {

int StoreConfiguration(CConfigData& data, std::string& bytes) {
    ConfigArchive ar;
    if (data.Serialize(ar) != 0) return 1;
    bytes = ar.Bytes();
    return 0;
}

int LoadConfiguration(CConfigData& data, const std::string& bytes, const std::string& fileName) {
    ConfigArchive ar(bytes, fileName);
    return data.Serialize(ar);
}

int WriteConfigurationFile(CConfigData& data, const std::string& path) {
    std::string bytes;
    if (StoreConfiguration(data, bytes) != 0) return 1;
    if (!platform::WriteFileAtomically(path, bytes)) {
        platform::ShowMessage(platform::Format("Error: Unable to write file %s.", path.c_str()));
        return 1;
    }
    return 0;
}

int ReadConfigurationFile(CConfigData& data, const std::string& path) {
    std::string bytes;
    if (std::filesystem::is_directory(path) || !platform::ReadWholeFile(path, bytes)) {
        platform::ShowMessage(platform::Format("Error: Unable to open file %s.", path.c_str()));
        return 1;
    }
    return LoadConfiguration(data, bytes, path) == 0 ? 0 : 1;
}

void RememberChosenFile(CConfigData& data, const std::string& path) {
    const std::filesystem::path chosen(path);
    data.lastFileFolder = chosen.parent_path().string();
    data.lastFileTitle = chosen.stem().string();
    data.lastFileName = chosen.filename().string();
    data.lastFilePath = path;
}

void RefreshActuatorDiagnostics(CConfigData& data, ActuatorDiagnosticsSource& device) {
    uint32_t totals[5] = {};
    if (device.ReadTotals(totals) == 0) {
        ActuatorGroup& a = data.actuator;
        a.totalTravel = totals[0];
        a.totalCycleCount = totals[1];
        a.totalOpenTime = totals[2];
        a.totalCloseTime = totals[3];
        a.totalNearCloseTime = totals[4];
    }
    float measured[9] = {};
    if (device.ReadMeasuredValues(measured) == 0) {
        ActuatorGroup& a = data.actuator;
        a.internalGain = measured[0];
        a.measuredGain = measured[1];
        a.valveTimeConstant = measured[2];
        a.valveHysteresis = measured[3];
        a.valveSlipWidth = measured[4];
        a.measuredOutputPressure = measured[5];
        a.measuredSupplyPressure = measured[6];
        a.measuredSpringRange = {measured[7], measured[8]};
    }
}

bool ConfirmInconsistentSave(const CConfigData& data) {
    if (data.dataState == StateConsistent) return true;
    const std::string question = std::string("The data you are trying to save is not consistent with the device. \n") +
                                 "If you want to save the online device data, you should upload data\n" +
                                 "from device first.\n\n" + "Do you still want to save it?\n";
    return platform::GetUi().MessageBox(question, platform::AppCaption(),
                                        platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2) ==
           platform::IDYES;
}

void RefreshActuatorDiagnosticsWithNotice(CConfigData& data, ActuatorDiagnosticsSource& device) {
    platform::WaitCursor wait;
    std::unique_ptr<platform::ProgressWindow> notice = platform::GetUi().CreateProgressWindow(platform::AppCaption(), "OK");
    if (notice) {
        notice->SetText("Updating Diagnostics Data");
        notice->EnableButton(false);
    }
    RefreshActuatorDiagnostics(data, device);
    if (notice) notice->Close();
}

int SaveConfigurationFile(CConfigData& data, const FileChooser& chooser, ActuatorDiagnosticsSource* device) {
    if (device != nullptr) {
        const bool hostView = data.RunModeInForce() != RunModeStandalone;
        if (hostView && device->IsPresent()) {
            if (!ConfirmInconsistentSave(data)) return 2;
            RefreshActuatorDiagnosticsWithNotice(data, *device);
        } else if (!hostView) {
            RefreshActuatorDiagnostics(data, *device);
        }
    }

    const FileDialogResult choice = chooser(MakeSaveDialogRequest(data));
    if (!choice.accepted || choice.path.empty()) return 2;
    RememberChosenFile(data, choice.path);
    data.dataVersion = VersionForSaveFilter(choice.filterIndex);
    return WriteConfigurationFile(data, choice.path);
}

int OpenConfigurationFile(CConfigData& data, const FileChooser& chooser) {
    const FileDialogResult choice = chooser(MakeOpenDialogRequest(data));
    if (!choice.accepted || choice.path.empty()) return 1;
    RememberChosenFile(data, choice.path);

    std::string extension = std::filesystem::path(choice.path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension != ".dmp") {
        platform::ShowMessage(platform::Format("Error: Failed to open configuration file %s with wrong extention.",
                                               choice.path.c_str()));
        return 1;
    }
    if (ReadConfigurationFile(data, choice.path) != 0) return 1;
    if (data.RunModeInForce() != RunModeStandalone) data.dataState = StateLoadedFromFile;
    return 0;
}

}  // namespace config
