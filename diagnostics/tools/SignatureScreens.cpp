// Takes the README's pictures of a signature run on FV-101 of the shipped default segment,
// hosted in this process at its own pace (the strip chart runs on the wall clock): the
// Signature page of the diagnostics window, and the progress window half way through a
// standard actuator signature. Takes about a minute and a half.
// Every question is answered Yes.
// Usage: signature_screens OUTPUT_FOLDER
#include <QApplication>
#include <QCheckBox>
#include <QTabWidget>
#include <cstdio>

#include "diagnostics/ui/CDiagSignaturePage.h"
#include "diagnostics/ui/CDiagnosticsDialog.h"
#include "diagnostics/ui/CSignatureProgressDlg.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/screens/ScreenSegment.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtUi.h"

using fieldbus::screens::Wait;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: signature_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    fieldbus::screens::YesUi ui;
    platform::QtMessagePump pump;
    fieldbus::screens::ScreenSegment segment;
    fieldbus::FieldbusDevice device;
    if (!segment.Open(device, "FV-101", false)) return 1;

    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    {
        diagnostics::CDiagnosticsDialog dialog(device, "Diagnostics (FV-101)", nullptr, "FV-101");
        dialog.show();
        diagnostics::CDiagSignaturePage* page = dialog.SignaturePage();
        dialog.Tabs()->setCurrentWidget(page);
        page->KindBox(diagnostics::KindStandard)->setChecked(true);
        Wait(300);
        ok = dialog.grab().save(folder + "/signature-page.png") && ok;

        page->OnGo();
        // Half way through the standard signature: the pressure ramps are on the strip chart.
        Wait(40000);
        if (diagnostics::CSignatureProgressDlg* progress = page->ProgressWindow())
            ok = progress->grab().save(folder + "/signature-progress.png") && ok;
        else
            ok = false;
        Wait(120000, [page] { return !page->Logic().IsRunning(); });
        ok = !page->Logic().IsRunning() && ok;
    }
    device.CloseDevice();
    return ok ? 0 : 1;
}
