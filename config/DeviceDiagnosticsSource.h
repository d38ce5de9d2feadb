#pragma once
// The open device as the source of the actuator totals and self-check measurements that are
// refreshed into the record before a configuration file is saved.
#include <functional>

#include "config/ActuatorDiagnosticsSource.h"
#include "config/BusRunner.h"

namespace fieldbus {
class DeviceAccess;
}

namespace config {

class DeviceDiagnosticsSource : public ActuatorDiagnosticsSource {
public:
    // `present` tells whether the device answers on the link (empty: while it is open).
    DeviceDiagnosticsSource(fieldbus::DeviceAccess& device, BusRunner runBus = {},
                            std::function<bool()> present = {});

    bool IsPresent() override;
    int ReadTotals(uint32_t totals[5]) override;
    int ReadMeasuredValues(float values[9]) override;

private:
    fieldbus::DeviceAccess& device_;
    BusRunner runBus_;
    std::function<bool()> present_;
};

}  // namespace config
