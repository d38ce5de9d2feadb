#include "app/QueryWindows.h"

#include <algorithm>

#include "platform/Ui.h"
#include "query/ui/CQueryDeviceSheet.h"

namespace app {

query::CQueryDeviceSheet* QueryWindows::Open(int slot, QWidget* parent, std::function<void()> closed) {
    Prune();
    if (slot > 0) {
        if (query::CQueryDeviceSheet* open = Window(slot)) {
            open->show();
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    query::QueryTarget target;
    if (slot > 0) {
        fieldbus::FieldbusDevice& device = link_.Device(slot);
        target.slot = slot;
        target.device = &device;
        target.tag = link_.GetTag(slot);
        target.identity.deviceId = link_.GetDeviceId(slot);
        device.GetIdentification(target.identity.vendor, target.identity.model, target.identity.hardwareRevision);
    }
    auto* window = new query::CQueryDeviceSheet(std::move(target), parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->Create()) {
        delete window;
        platform::ShowMessage("Error: Failed to create query dialog.");
        return nullptr;
    }
    QObject::connect(window, &QDialog::finished, window, [this, closed] {
        Prune();
        if (closed) closed();
    });
    window->show();
    windows_.push_back(window);
    return window;
}

int QueryWindows::Count() const {
    return static_cast<int>(
        std::count_if(windows_.begin(), windows_.end(), [](const auto& w) { return w && w->isVisible(); }));
}

bool QueryWindows::Has(int slot) const { return Window(slot) != nullptr; }

query::CQueryDeviceSheet* QueryWindows::Window(int slot) const {
    for (const auto& w : windows_)
        if (w && w->isVisible() && w->Slot() == slot) return w;
    return nullptr;
}

void QueryWindows::CloseFor(int slot) {
    for (const auto& w : windows_)
        if (w && w->isVisible() && w->Slot() == slot) w->close();
    Prune();
}

void QueryWindows::CloseAll() {
    for (const auto& w : windows_)
        if (w && w->isVisible()) w->close();
    Prune();
}

void QueryWindows::Prune() {
    windows_.erase(std::remove_if(windows_.begin(), windows_.end(), [](const auto& w) { return !w || !w->isVisible(); }),
                   windows_.end());
}

}  // namespace app
