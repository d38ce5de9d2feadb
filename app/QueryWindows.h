#pragma once
// The query windows of the main view, kept by device slot: at most one per device (a second
// request brings the open one forward) and any number without a device.
#include <QPointer>
#include <functional>
#include <vector>

#include "fieldbus/FieldbusLink.h"

class QWidget;

namespace query {
class CQueryDeviceSheet;
}

namespace app {

class QueryWindows {
public:
    explicit QueryWindows(fieldbus::FieldbusLink& link) : link_(link) {}

    // Opens the query window of `slot` (-1: without a device) or brings it forward;
    // `closed` runs when a window goes. Null when the window could not be made.
    query::CQueryDeviceSheet* Open(int slot, QWidget* parent, std::function<void()> closed);
    int Count() const;
    bool Has(int slot) const;
    query::CQueryDeviceSheet* Window(int slot) const;
    void CloseFor(int slot);
    void CloseAll();
    void Prune();

private:
    fieldbus::FieldbusLink& link_;
    std::vector<QPointer<query::CQueryDeviceSheet>> windows_;
};

}  // namespace app
