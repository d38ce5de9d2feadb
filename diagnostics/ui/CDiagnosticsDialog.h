#pragma once
// The "Diagnostics" window of the current device: the self check with the values it
// measured, and the continuous diagnostics (valve historian, servo warnings) with their reset.
#include <QDialog>

#include "calibration/ui/CProcedureDialogs.h"
#include "fieldbus/DeviceAccess.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace diagnostics {

class CDiagnosticsDialog : public QDialog {
    Q_OBJECT
public:
    CDiagnosticsDialog(fieldbus::DeviceAccess& device, const QString& title, QWidget* parent = nullptr);

    QTabWidget* Tabs() const { return tabs_; }
    QLabel* SelfCheckResult() const { return result_; }
    QTableWidget* Measured() const { return measured_; }
    QTableWidget* Historian() const { return historian_; }
    calibration::QtProcedureDialogs& Dialogs() { return dialogs_; }

    void OnSelfCheck();
    void OnReset();
    // Reads the values again.
    void Refresh();

private:
    fieldbus::DeviceAccess& device_;
    calibration::QtProcedureDialogs dialogs_;
    bool deviceDiagnostics_;
    QTabWidget* tabs_ = nullptr;
    QLabel* result_ = nullptr;
    QTableWidget* measured_ = nullptr;
    QTableWidget* historian_ = nullptr;
};

}  // namespace diagnostics
