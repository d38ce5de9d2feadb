#pragma once
// The eight device icons of the tree, drawn once: a shape per kind of device, filled when
// the device is present and hollow when it is not.
#include <QIcon>

#include "app/DeviceTreeItem.h"

QIcon DeviceIcon(app::DeviceIconKind kind, bool present);
QIcon OfflineIcon();
