// Takes the README's pictures of the calibration sheet and the diagnostics window on the
// shipped default segment hosted in this process (its clock ten times as fast): the Range
// page while and after the stops are found, the Tuning page after an auto tune, the Travel
// Calibration page, and the self check of KV-201. Every question is answered Yes.
// Usage: calibration_screens OUTPUT_FOLDER
#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

#include "calibration/RunProcedure.h"
#include "calibration/ui/CCalibrationSheet.h"
#include "diagnostics/ui/CDiagnosticsDialog.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/LinkContext.h"
#include "fieldbus/OperationState.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtUi.h"
#include "simulator/InProcessSegment.h"

namespace {

class YesUi : public platform::QtUi {
public:
    int MessageBox(const std::string&, const std::string&, int flags) override {
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

bool OpenDevice(fieldbus::FieldbusDevice& device, Link& link, const std::string& tag) {
    nifLiveListEntry entries[32] = {};
    uint16_t count = 32;
    if (nifGetDeviceList(link.link, entries, &count, nullptr) != E_OK) return false;
    for (uint16_t i = 0; i < count; ++i)
        if (tag == entries[i].pdTag) device.BindSlot(1 + i, entries[i].deviceId, entries[i].pdTag);
    return device.OpenDevice() == 0 && device.ReadBackBlockTags() == 0 &&
           device.SetOperationState(fieldbus::kOutOfService, fieldbus::kWarnStateChange, false, false) == 0;
}

void Wait(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: calibration_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    YesUi ui;
    platform::QtMessagePump pump;
    simulator::LoadOptions options;
    options.speed = 10;
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
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = true;

    fieldbus::FieldbusDevice device;
    device.SetLink(&link);
    if (!OpenDevice(device, link, "FV-101")) return 1;
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
    valve.SetLink(&link);
    if (!OpenDevice(valve, link, "KV-201")) return 1;
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
    nifClose(session);
    return ok ? 0 : 1;
}
