#pragma once
// The check before a configuration file is downloaded to a device: a file read from a device of
// another family or device type is written only after the user agreed.
#include <string>

#include "config/CConfigData.h"

namespace config {

// The question before a file of another family or device type is downloaded to the device
// with the identifier `targetId` and the tag `tag`; empty when the file was read from a device
// of the target's family and type (or names no manufacturer).
std::string OtherDeviceQuestion(const GeneralGroup& file, const std::string& targetId, const std::string& tag);

}  // namespace config
