// A picture of a step-response series for the README (not a test): the default segment hosted
// in this process (its clock twenty times as fast), FV-101's stops found, then the signature
// page runs a series 20 -> 80 % in steps of 20 % out and back, and the signature graph window
// shows it with its analysis. Every question is answered Yes.
// Usage: signature_series_screens OUTPUT_FOLDER
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <cstdio>

#include "calibration/RunProcedure.h"
#include "diagnostics/SignatureKind.h"
#include "diagnostics/ui/CDiagSignaturePage.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/LinkContext.h"
#include "fieldbus/OperationState.h"
#include "graphs/ui/CSignatureGraphDlg.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtUi.h"
#include "simulator/InProcessSegment.h"

namespace {

class YesUi : public platform::QtUi {
public:
    int MessageBox(const std::string& text, const std::string&, int flags) override {
        if (platform::ButtonsOf(flags) != platform::MB_YESNO) std::fprintf(stderr, "%s\n", text.c_str());
        return platform::ButtonsOf(flags) == platform::MB_YESNO ? platform::IDYES : platform::IDOK;
    }
};

class Link : public fieldbus::LinkContext {
public:
    nifDesc_t LinkDescriptor() const override { return link; }
    bool IsLinkHealthy() const override { return true; }
    platform::WindowHandle NotifyWindow() const override { return 0; }
    nifDesc_t link = 0;
};

void Wait(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: signature_series_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    YesUi ui;
    platform::QtMessagePump pump;
    simulator::LoadOptions options;
    options.speed = 20;
    std::string error;
    if (!simulator::UseInProcessSegment(simulator::LoadSegmentFile(simulator::DefaultSegmentPath(), options, error))) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    nifDesc_t session = 0;
    nifInterfaceInfo interfaces[4] = {};
    uint16_t count = 4;
    Link link;
    if (nifOpenSession(nullptr, &session) != E_OK || nifGetInterfaceList(session, &count, interfaces) != E_OK ||
        nifOpenLink(session, 0, interfaces[0].interfaceName, 0, &link.link) != E_OK)
        return 1;
    fieldbus::FieldbusDevice device;
    device.SetLink(&link);
    nifLiveListEntry entries[32] = {};
    count = 32;
    if (nifGetDeviceList(link.link, entries, &count, nullptr) != E_OK) return 1;
    for (uint16_t i = 0; i < count; ++i)
        if (std::string("FV-101") == entries[i].pdTag) device.BindSlot(1 + i, entries[i].deviceId, entries[i].pdTag);
    if (device.OpenDevice() != 0 || device.ReadBackBlockTags() != 0 ||
        device.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false) != 0)
        return 1;
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
        QElapsedTimer timer;
        timer.start();
        Wait(500);
        while ((page.Logic().IsRunning() || page.Logic().QueuedLoads() > 0) && timer.elapsed() < 180000) Wait(100);
        Wait(500);
        if (graphs::CSignatureGraphDlg* graph = page.GraphWindow()) {
            graph->resize(900, 820);
            Wait(300);
            ok = graph->grab().save(QString::fromLocal8Bit(argv[1]) + "/signature-step-series.png");
        }
    }
    device.CloseDevice();
    nifClose(session);
    return ok ? 0 : 1;
}
