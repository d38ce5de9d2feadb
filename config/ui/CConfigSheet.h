#pragma once
// The "Configure (tag)" sheet: the pages General, Position, Actuator, AO Block, Controller
// (only with the PID block activated) and Option, filled from the configuration record. OK
// hands the pages' values to the page writers (ApplyConfigSheet): with a device open the
// changed values are written to it after one out-of-service question; without one they go
// into the record only (File > Save keeps them).
#include <QDialog>
#include <vector>

#include "config/ConfigSheetOk.h"

class QTabWidget;

namespace config {

class CConfigPage;

class CConfigSheet : public QDialog {
    Q_OBJECT
public:
    CConfigSheet(CConfigData& record, const SheetTarget& target, QWidget* parent = nullptr);

    // What OK did (close false and nothing else when the sheet was cancelled).
    const SheetOutcome& Outcome() const { return outcome_; }
    QTabWidget* Tabs() const { return tabs_; }
    // The page with this tab title ("General", "Position", ...), null when absent.
    CConfigPage* Page(const QString& title) const;

    void accept() override;
    // Not while OK is writing to the device.
    void reject() override;

private:
    CConfigData& record_;
    SheetTarget target_;
    QTabWidget* tabs_ = nullptr;
    std::vector<CConfigPage*> pages_;
    SheetOutcome outcome_;
    bool applying_ = false;
};

}  // namespace config
