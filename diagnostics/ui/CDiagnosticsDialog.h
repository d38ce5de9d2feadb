#pragma once
// The "Diagnostics" window of the current device: the self check with the values it
// measured, the continuous diagnostics (valve historian, servo warnings) with their reset, and
// the signature tests.
#include <QDialog>

#include "calibration/ui/CProcedureDialogs.h"
#include "fieldbus/DeviceAccess.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace diagnostics {

class CDiagSignaturePage;

class CDiagnosticsDialog : public QDialog {
    Q_OBJECT
public:
    CDiagnosticsDialog(fieldbus::DeviceAccess& device, const QString& title, QWidget* parent = nullptr,
                       const std::string& tag = {});

    QTabWidget* Tabs() const { return tabs_; }
    QLabel* SelfCheckResult() const { return result_; }
    QTableWidget* Measured() const { return measured_; }
    QTableWidget* Historian() const { return historian_; }
    calibration::QtProcedureDialogs& Dialogs() { return dialogs_; }
    CDiagSignaturePage* SignaturePage() const { return signature_; }

    void OnSelfCheck();
    void OnReset();
    // Reads the values again.
    void Refresh();

    // Closing while a signature run goes on asks first.
    void reject() override;

private:
    fieldbus::DeviceAccess& device_;
    calibration::QtProcedureDialogs dialogs_;
    bool deviceDiagnostics_;
    QTabWidget* tabs_ = nullptr;
    QLabel* result_ = nullptr;
    QTableWidget* measured_ = nullptr;
    QTableWidget* historian_ = nullptr;
    CDiagSignaturePage* signature_ = nullptr;
    int shownTab_ = 0;
};

}  // namespace diagnostics
