#include "app/TrendWindows.h"

#include <algorithm>

#include "trend/ui/CTrendDlg.h"
#include "platform/ui/WindowPlacement.h"

namespace app {

float ReadPressureFullScale(fieldbus::FieldbusDevice& device) {
    float fullScale = 0.0f;
    if (!device.IsOpen() || device.ReadTbSupplyPressure(fullScale) != 0) return 0.0f;
    return fullScale;
}

trend::CTrendDlg* TrendWindows::Open(int slot, platform::WindowHandle notify, QWidget* parent,
                                     const std::string& pressureUnit) {
    Prune();
    if (slot > 0) {
        if (trend::CTrendDlg* open = Window(slot)) {
            open->show();
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    trend::TrendDevice device;
    if (slot > 0) {
        device.slot = slot;
        device.device = &link_.Device(slot);
        device.tag = link_.GetTag(slot);
        device.isPresent = [this](int s) { return link_.IsPresent(s); };
    }
    auto* window = new trend::CTrendDlg(std::move(device), trend::TrendProfileFile(), notify, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (slot > 0) window->Recorder().SetPressure({ReadPressureFullScale(link_.Device(slot)), pressureUnit});
    if (!window->Create()) {
        delete window;
        return nullptr;
    }
    platform::PlaceOnScreen(window);
    window->show();
    windows_.push_back(window);
    return window;
}

int TrendWindows::Count() const {
    return static_cast<int>(
        std::count_if(windows_.begin(), windows_.end(), [](const auto& w) { return w && w->isVisible(); }));
}

bool TrendWindows::Has(int slot) const { return Window(slot) != nullptr; }

trend::CTrendDlg* TrendWindows::Window(int slot) const {
    for (const auto& w : windows_)
        if (w && w->isVisible() && w->Slot() == slot) return w;
    return nullptr;
}

void TrendWindows::CloseFor(int slot) {
    for (const auto& w : windows_) {
        if (!w || !w->isVisible() || w->Slot() != slot) continue;
        // Kept open by its user, the window stops recording all the same: its device goes.
        if (!w->close()) w->Recorder().Stop();
    }
    Prune();
}

bool TrendWindows::CloseAll() {
    bool all = true;
    for (const auto& w : windows_)
        if (w && w->isVisible() && !w->close()) all = false;
    Prune();
    return all;
}

void TrendWindows::Prune() {
    windows_.erase(std::remove_if(windows_.begin(), windows_.end(), [](const auto& w) { return !w || !w->isVisible(); }),
                   windows_.end());
}

}  // namespace app
