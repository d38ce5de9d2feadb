#include "firmware/ui/FirmwareMenu.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include "config/ui/ConfigFileCommands.h"
#include "fieldbus/FieldbusDevice.h"
#include "firmware/FirmwareCommands.h"

namespace firmware {

namespace {

// Disables the widgets for its lifetime (those that still exist are enabled again).
class Busy {
public:
    explicit Busy(const QList<QWidget*>& widgets) {
        for (QWidget* w : widgets) {
            widgets_.append(w);
            w->setEnabled(false);
        }
    }
    ~Busy() {
        for (const QPointer<QWidget>& w : widgets_)
            if (w) w->setEnabled(true);
    }

private:
    QList<QPointer<QWidget>> widgets_;
};

}  // namespace

int RunFirmwareDownload(QWidget* parent, const QList<QWidget*>& busy, fieldbus::FieldbusDevice& device, int slot) {
    if (!device.IsOpen()) return 2;
    Busy guard(busy);
    const FirmwareTarget target = ReadFirmwareTarget(device, slot, device.Tag());
    return FirmwareDownloadCommand(device, target, [parent](const config::FileDialogRequest& request) {
        return config::ConfigFileCommands::ShowQtFileDialog(parent, request);
    });
}

int RunFirmwareActivate(const QList<QWidget*>& busy, fieldbus::FieldbusDevice& device) {
    if (!device.IsOpen()) return 2;
    Busy guard(busy);
    return FirmwareActivateCommand(device);
}

}  // namespace firmware
