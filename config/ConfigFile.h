#pragma once
// Saving and opening configuration files (".dmp").
#include <string>

#include "config/ConfigFileDialogs.h"

namespace config {

class CConfigData;
class ActuatorDiagnosticsSource;

// Serialises the record in its data version. Returns 0 on success.
int StoreConfiguration(CConfigData& data, std::string& bytes);
// Loads a whole file image into the record (see CConfigData::Serialize). `fileName` names
// the file in messages. Returns 0 when the file was accepted.
int LoadConfiguration(CConfigData& data, const std::string& bytes, const std::string& fileName = {});

// Writes the record into `path` in its data version, through a temporary file renamed into
// place. Shows "Error: Unable to write file %s." on failure. Returns 0 on success.
int WriteConfigurationFile(CConfigData& data, const std::string& path);
// Reads `path` into the record. Shows "Error: Unable to open file %s." when it cannot be read.
// Returns 0 when the file was read and accepted, 1 otherwise.
int ReadConfigurationFile(CConfigData& data, const std::string& path);

// Remembers a file chosen in a dialog: its folder, title, name and full path.
void RememberChosenFile(CConfigData& data, const std::string& path);

// The save command: refreshes the actuator totals and measurements from `device` (when one
// is open), asks for the file and the version, and writes. Returns 0 when written, 1 when
// writing failed, 2 when the user cancelled or declined.
int SaveConfigurationFile(CConfigData& data, const FileChooser& chooser, ActuatorDiagnosticsSource* device = nullptr);
// The open command: asks for the file, checks its extension and reads it. Returns 0 when a
// file was read and accepted, 1 otherwise (cancel included).
int OpenConfigurationFile(CConfigData& data, const FileChooser& chooser);

// Refreshes the five totals and nine measured values of the actuator group from the device;
// a failed read leaves its members as they are.
void RefreshActuatorDiagnostics(CConfigData& data, ActuatorDiagnosticsSource& device);

// The host views, before saving a configuration whose data state says it may not match the
// present device: asks whether to save it anyway. True to go on.
bool ConfirmInconsistentSave(const CConfigData& data);
// RefreshActuatorDiagnostics behind the "Updating Diagnostics Data" wait window.
void RefreshActuatorDiagnosticsWithNotice(CConfigData& data, ActuatorDiagnosticsSource& device);

}  // namespace config
