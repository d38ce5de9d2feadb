#pragma once
// The firmware commands of the main window on Qt: the file dialog of the download, and the
// main window kept from other work while a command runs.
#include <QList>

class QWidget;

namespace fieldbus {
class FieldbusDevice;
}

namespace firmware {

// "Firmware Download" on the open device of `slot`; `busy` (the main window's view and
// menus) is disabled while it runs. Returns the command's result.
int RunFirmwareDownload(QWidget* parent, const QList<QWidget*>& busy, fieldbus::FieldbusDevice& device, int slot);
// "Activate Firmware" on the open device.
int RunFirmwareActivate(const QList<QWidget*>& busy, fieldbus::FieldbusDevice& device);

}  // namespace firmware
