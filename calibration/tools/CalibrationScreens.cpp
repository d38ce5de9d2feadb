// Takes the README's pictures of the calibration sheet and the diagnostics window on the
// shipped default segment hosted in this process (its clock ten times as fast): the Range
// page while and after the stops are found, the Tuning page after an auto tune, the Travel
// Calibration page, the self check of KV-201, and the setup wizard on KV-202 (its tuning page
// after a search-and-tune run, and its position control limits). Every question is answered
// Yes.
// Usage: calibration_screens OUTPUT_FOLDER
#include <QApplication>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "calibration/RunProcedure.h"
#include "calibration/ui/CCalibrationSheet.h"
#include "calibration/ui/CSetupWizard.h"
#include "config/CConfigData.h"
#include "diagnostics/ui/CDiagnosticsDialog.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/screens/ScreenSegment.h"
#include "fieldbus/OperationState.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtUi.h"

using fieldbus::screens::Wait;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: calibration_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    fieldbus::screens::YesUi ui;
    platform::QtMessagePump pump;
    fieldbus::screens::ScreenSegment segment(10);
    if (!segment.Error().empty()) return 1;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = true;

    fieldbus::FieldbusDevice device;
    if (!segment.Open(device, "FV-101", true)) return 1;
    {
        calibration::CCalibrationSheet sheet(device, false, "Calibration (FV-101)", false);
        sheet.show();
        Wait(300);
        // The progress dialog half way through the stop finding.
        QTimer::singleShot(1000, [&] {
            if (calibration::CProgressCancelDialog* dialog = sheet.Dialogs().Current())
                ok = dialog->grab().save(folder + "/calibration-progress.png") && ok;
        });
        sheet.OnRangeGo();
        Wait(300);
        ok = sheet.grab().save(folder + "/calibration-range.png") && ok;
        sheet.Tabs()->setCurrentIndex(1);
        sheet.OnAutoTune(false);
        Wait(300);
        ok = sheet.grab().save(folder + "/calibration-tuning.png") && ok;
        sheet.Tabs()->setCurrentIndex(2);
        sheet.OnStep(-1);
        Wait(2000);
        ok = sheet.grab().save(folder + "/calibration-travel.png") && ok;
        sheet.accept();
    }
    device.CloseDevice();

    fieldbus::FieldbusDevice valve;
    if (!segment.Open(valve, "KV-201", true)) return 1;
    bool cancel = false;
    std::string text;
    calibration::RunProcedure(valve, calibration::kFindStops, cancel, text, 0);
    {
        diagnostics::CDiagnosticsDialog dialog(valve, "Diagnostics (KV-201)");
        dialog.show();
        dialog.OnSelfCheck();
        Wait(300);
        ok = dialog.grab().save(folder + "/diagnostics-self-check.png") && ok;
    }
    valve.CloseDevice();

    fieldbus::FieldbusDevice wizardDevice;
    if (!segment.Open(wizardDevice, "KV-202", true)) return 1;
    {
        calibration::SetupWizard wizard(&wizardDevice, "KV-202", config::CurrentConfig());
        if (wizard.Begin() != 0) return 1;
        calibration::CSetupWizard window(wizard);
        window.show();
        window.next();
        window.next();
        window.OnGo();
        Wait(300);
        ok = window.grab().save(folder + "/setup-wizard-tuning.png") && ok;
        window.OnAccept();
        window.next();
        window.next();
        Wait(300);
        ok = window.grab().save(folder + "/setup-wizard-limits.png") && ok;
        window.reject();
        wizard.Cancel();
    }
    wizardDevice.CloseDevice();
    return ok ? 0 : 1;
}
