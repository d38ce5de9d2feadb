#pragma once
// Whether a block's CAS_IN is fed by a link object: without one the block never reaches CAS
// and a change to it would only wait for its limit and leave the target at CAS.
#include "fieldbus/FieldbusDevice.h"

namespace cli {

enum class CascadeInput { Linked, NotLinked, Unknown };

// Looks for CAS_IN of `block` among the link objects of the device's function-block VFD.
CascadeInput CascadeInputOf(fieldbus::FieldbusDevice& device, int block);

}  // namespace cli
