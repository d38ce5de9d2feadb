// A picture of a step-response series for the README (not a test): the default segment hosted
// in this process (its clock twenty times as fast), FV-101's stops found, then the signature
// page runs a series 20 -> 80 % in steps of 20 % out and back, and the signature graph window
// shows it with its analysis. Every question is answered Yes.
// Usage: signature_series_screens OUTPUT_FOLDER
#include <QApplication>
#include <QCheckBox>
#include <cstdio>

#include "calibration/RunProcedure.h"
#include "diagnostics/SignatureKind.h"
#include "diagnostics/ui/CDiagSignaturePage.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/screens/ScreenSegment.h"
#include "fieldbus/OperationState.h"
#include "graphs/ui/CSignatureGraphDlg.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtUi.h"

using fieldbus::screens::Wait;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: signature_series_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    fieldbus::screens::YesUi ui(true);
    platform::QtMessagePump pump;
    fieldbus::screens::ScreenSegment segment(20);
    fieldbus::FieldbusDevice device;
    if (!segment.Open(device, "FV-101", true)) return 1;
    bool cancel = false;
    std::string text;
    calibration::RunProcedure(device, calibration::kFindStops, cancel, text, 0);

    bool ok = false;
    {
        diagnostics::CDiagSignaturePage page(&device, "FV-101");
        page.resize(520, 420);
        page.show();
        diagnostics::SignatureSettings& s = page.Logic().Settings();
        const float step[] = {20, 80, 20, 100, 20, 1, 1, 30};
        for (int i = 0; i < 8; ++i) s.At(2, i) = step[i];
        page.KindBox(diagnostics::KindStepResponse)->setChecked(true);
        page.OnGo();
        Wait(500);
        Wait(180000, [&page] { return !page.Logic().IsRunning() && page.Logic().QueuedLoads() == 0; });
        Wait(500);
        if (graphs::CSignatureGraphDlg* graph = page.GraphWindow()) {
            graph->resize(900, 820);
            Wait(300);
            ok = graph->grab().save(QString::fromLocal8Bit(argv[1]) + "/signature-step-series.png");
        }
    }
    device.CloseDevice();
    return ok ? 0 : 1;
}
