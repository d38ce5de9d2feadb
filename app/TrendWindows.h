#pragma once
// The trend windows of the main view, kept by device slot: at most one per device (a second
// request brings the open one forward) and any number without a device.
#include <QPointer>
#include <string>
#include <vector>

#include "fieldbus/FieldbusLink.h"
#include "platform/WindowMessages.h"

class QWidget;

namespace trend {
class CTrendDlg;
}

namespace app {

// The pressure full scale of an open device: its supply pressure (0 when it cannot be read).
float ReadPressureFullScale(fieldbus::FieldbusDevice& device);

class TrendWindows {
public:
    explicit TrendWindows(fieldbus::FieldbusLink& link) : link_(link) {}

    // Opens the trend window of `slot` (-1: without a device) or brings it forward; the
    // window tells `notify` when it goes. `pressureUnit`: the unit the view shows the
    // device's pressure in. Null when the window could not be made.
    trend::CTrendDlg* Open(int slot, platform::WindowHandle notify, QWidget* parent, const std::string& pressureUnit);
    int Count() const;
    bool Has(int slot) const;
    trend::CTrendDlg* Window(int slot) const;
    // Asks the windows of `slot` to close (a window whose user keeps it stops recording).
    void CloseFor(int slot);
    // Asks every trend window to close: false when a user kept one open.
    bool CloseAll();
    // Forgets windows that have gone.
    void Prune();

private:
    fieldbus::FieldbusLink& link_;
    std::vector<QPointer<trend::CTrendDlg>> windows_;
};

}  // namespace app
