#pragma once
// The program's picture of one positioner's configuration. One instance, the current
// configuration, lives for the whole run (CurrentConfig()); reading from the device fills it,
// downloading sends it, configuration files store and restore it, the configuration pages
// edit it. Other code reads and writes the members directly.
#include <array>
#include <cstdint>
#include <string>

#include "config/ConfigGroups.h"
#include "platform/RunMode.h"

namespace config {

class ConfigArchive;

// Device family: 1 the maker's family (RPX110), 0 the partner family (KPX110).
enum DeviceFamily : uint32_t { FamilyKPX110 = 0, FamilyRPX110 = 1 };

// Data state: whether the record matches the device (used by the host views).
enum DataState : uint32_t {
    StateConsistent = 0,      // read from or downloaded to the device
    StateDefaults = 1,
    StateLoadedFromFile = 2,
    StateLoadedFromHost = 3,
    StateReadCancelled = 4,
    StateReadFailed = 5,
    StateChangedByPage = 6,
    StateChangedByCalibration = 7,
};

// Index of a block in blockStaticRevisions.
enum StaticRevisionIndex : int { RevRB = 0, RevTB, RevAO, RevDI1, RevDI2, RevPID, StaticRevisionCount };
// Index of a group in groupStaleFlags.
enum StaleGroupIndex : int {
    StaleGeneral = 0, StalePosition, StaleAoBlock, StalePidBlock, StaleActuator, StaleOption, StaleGroupCount
};

// Product and edition identity, set by start-up. Never stored in a configuration file.
struct ProductIdentity {
    uint32_t makerEdition = 1;          // 1 maker edition ("Tessaro"), 0 partner edition ("Meridane")
    std::string productName = "Tessaro";
    std::string hostTitle;              // window title in the host settings
    std::string companyLine;            // about box
    std::string versionLine;            // about box
    std::string productKey = "Tessaro";  // product word in registry paths
    std::string profileFile;            // the private profile file ("Tessaro.ini") in the program folder
    std::string pluginInfoFileName = "PLUG-IN.PIA";
    int userLevel = 0;                  // privilege level of the current user

    bool operator==(const ProductIdentity&) const = default;
};

class CConfigData {
public:
    // Builds every member with the defaults of `family` (DeviceFamily) for `runMode`.
    // `programFolder` is the program directory; when empty the current directory is used.
    explicit CConfigData(uint32_t family = FamilyRPX110, int runMode = RunMode, const std::string& programFolder = {});
    virtual ~CConfigData() = default;
    CConfigData(const CConfigData&) = default;
    CConfigData& operator=(const CConfigData&) = default;

    // Stores the record into, or loads it from, a configuration file archive (the layout is
    // chosen by the data version when storing and by the file's version when loading).
    // Returns 0 on success, 1 on failure. A rejected or damaged file leaves the record
    // unchanged; the failure is shown, or with quietLoad set only flagged in loadFailed.
    int Serialize(ConfigArchive& ar);

    // The run mode whose file layouts and defaults this record follows.
    int RunModeInForce() const { return runMode_; }

    bool operator==(const CConfigData&) const = default;

    // Header members.
    std::string productMarker = "Tessaro";  // first item of every configuration file
    std::string dataVersion = "2.4";        // layout read from or to be written in
    uint32_t deviceFamily = FamilyRPX110;
    uint32_t dataState = StateDefaults;
    uint32_t quietLoad = 0;    // while set, loading failures are only flagged
    uint32_t loadFailed = 0;   // set when a file was rejected under quietLoad
    std::array<uint16_t, StaticRevisionCount> blockStaticRevisions{};
    std::array<uint32_t, StaleGroupCount> groupStaleFlags{};

    ProductIdentity identity;

    // The six groups.
    GeneralGroup general;
    PositionGroup position;
    ActuatorGroup actuator;
    AoBlockGroup ao;
    PidBlockGroup pid;
    OptionGroup option;

    // File locations.
    std::string programFolder;
    std::string configFolder;     // program folder + "Config Files"
    std::string signatureFolder;  // program folder + "Signature Data/"
    std::string lastFileFolder;   // folder of the configuration file last chosen in a dialog
    std::string lastFileTitle;    // its name without extension
    std::string lastFileName;     // its name
    std::string lastFilePath;     // its full path

private:
    void SetGeneralDefaults();
    void SetPositionDefaults();
    void SetAoBlockDefaults();
    void SetPidBlockDefaults();
    void SetActuatorDefaults();
    void SetOptionDefaults();
    void SetFileLocations(const std::string& folder);
    // Items 3 to 173 of the file layout for layout index `version` (ConfigFileVersion.h).
    void SerializeBody(ConfigArchive& ar, int version);

    int runMode_;
};

// The program-wide current configuration (built on first use with the maker family, the
// build's run mode and the program directory).
CConfigData& CurrentConfig();

}  // namespace config
