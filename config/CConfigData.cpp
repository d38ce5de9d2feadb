#include "config/CConfigData.h"

#include <filesystem>
#include <system_error>

#include "config/ConfigDefaultLists.h"
#include "platform/Paths.h"
#include "values/ValueCodec.h"

namespace config {

CConfigData::CConfigData(uint32_t family, int runMode, const std::string& folder)
    : deviceFamily(family == FamilyKPX110 ? FamilyKPX110 : FamilyRPX110), runMode_(runMode) {
    if (runMode_ == RunModeQamPlugIn) identity.hostTitle = "QAM PLUG-IN Tessaro";
    if (runMode_ == RunModeAmsSnapOn) identity.hostTitle = "Tessaro AMS SNAP-ON";

    SetGeneralDefaults();
    SetPositionDefaults();
    SetAoBlockDefaults();
    SetPidBlockDefaults();
    SetActuatorDefaults();
    SetOptionDefaults();
    SetFileLocations(folder);
    blockStaticRevisions.fill(0);
    groupStaleFlags.fill(0);
}

void CConfigData::SetGeneralDefaults() {
    const bool maker = deviceFamily == FamilyRPX110;
    general = GeneralGroup{};
    general.deviceId = maker ? "42524B0001J0000010" : "4B54450001J0000006";
    general.manufacturerId = maker ? "42524B" : "4B5445";
    general.model = maker ? "RPX110 /LC /AP" : "KPX110 /LC /AP";
    general.resourceDescription = maker ? "RPX OFFLINE DEFAULT" : "KPX OFFLINE DEFAULT";
    const std::string prefix = maker ? "RPX" : "KPX";
    general.blockTags = {prefix + "_RES", prefix + "_TB",  prefix + "_AO",  prefix + "_DI1",
                         prefix + "_DI2", prefix + "_PID", prefix + "_SPLT"};
}

void CConfigData::SetPositionDefaults() { position = PositionGroup{}; }

void CConfigData::SetAoBlockDefaults() {
    ao = AoBlockGroup{};
    ao.spRateUp = values::ValueCodec::Instance().PositiveInfinity();
    ao.spRateDown = values::ValueCodec::Instance().PositiveInfinity();
    ao.ioOptions.names = DefaultAoIoOptionNames();
    ao.statusOptions.names = DefaultStatusOptionNames();
}

void CConfigData::SetPidBlockDefaults() {
    const float plus = values::ValueCodec::Instance().PositiveInfinity();
    const float minus = values::ValueCodec::Instance().NegativeInfinity();
    pid = PidBlockGroup{};
    pid.pvUnit.text = "%";
    pid.pvUnit.texts = DefaultPvUnitTexts();
    if (runMode_ == RunModeAmsSnapOn) pid.pvUnit.values = DefaultPvUnitCodes();
    pid.controlOptions.names = DefaultPidControlOptionNames();
    pid.statusOptions.names = DefaultStatusOptionNames();
    pid.devAlarmHigh = plus;
    pid.devAlarmLow = minus;
    pid.alarmHigh = plus;
    pid.alarmLow = minus;
    pid.alarmHighHigh = plus;
    pid.alarmLowLow = minus;
}

void CConfigData::SetActuatorDefaults() { actuator = ActuatorGroup{}; }

void CConfigData::SetOptionDefaults() {
    option = OptionGroup{};
    option.charType.text = "Linear";
    option.charType.texts = DefaultCharacterisationTexts();
    if (runMode_ == RunModeAmsSnapOn) option.charType.values = DefaultCharacterisationValues();
    option.charType.value = runMode_ == RunModeStandalone ? 1 : 0;
}

void CConfigData::SetFileLocations(const std::string& folder) {
    programFolder = folder;
    if (programFolder.empty()) {
        std::error_code ec;
        programFolder = std::filesystem::current_path(ec).string();
    }
    configFolder = platform::JoinPath(programFolder, "\\Config Files");
    signatureFolder = platform::JoinPath(programFolder, "\\Signature Data") + "/";
    identity.profileFile = platform::JoinPath(programFolder, "\\Tessaro.ini");
    lastFileFolder = configFolder;
    lastFileTitle.clear();
    lastFileName.clear();
    lastFilePath.clear();
}

CConfigData& CurrentConfig() {
    static CConfigData current(FamilyRPX110, RunMode, platform::ProgramDirectory());
    return current;
}

}  // namespace config
