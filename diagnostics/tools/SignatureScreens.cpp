// Takes the README's pictures of a signature run on FV-101 of the shipped default segment,
// hosted in this process at its own pace (the strip chart runs on the wall clock): the
// Signature page of the diagnostics window, and the progress window half way through a
// standard actuator signature. Takes about a minute and a half.
// Every question is answered Yes.
// Usage: signature_screens OUTPUT_FOLDER
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTabWidget>
#include <cstdio>

#include "diagnostics/ui/CDiagSignaturePage.h"
#include "diagnostics/ui/CDiagnosticsDialog.h"
#include "diagnostics/ui/CSignatureProgressDlg.h"
#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/LinkContext.h"
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

// Serves events for `ms`, or until `done` says so.
template <typename Done>
void Wait(int ms, Done done) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms && !done()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: signature_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    YesUi ui;
    platform::QtMessagePump pump;
    simulator::LoadOptions options;
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
    nifLiveListEntry entries[32] = {};
    count = 32;
    if (nifGetDeviceList(link.link, entries, &count, nullptr) != E_OK) return 1;
    fieldbus::FieldbusDevice device;
    device.SetLink(&link);
    for (uint16_t i = 0; i < count; ++i)
        if (std::string("FV-101") == entries[i].pdTag) device.BindSlot(1 + i, entries[i].deviceId, entries[i].pdTag);
    if (device.OpenDevice() != 0 || device.ReadBackBlockTags() != 0) return 1;

    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    {
        diagnostics::CDiagnosticsDialog dialog(device, "Diagnostics (FV-101)", nullptr, "FV-101");
        dialog.show();
        diagnostics::CDiagSignaturePage* page = dialog.SignaturePage();
        dialog.Tabs()->setCurrentWidget(page);
        page->KindBox(diagnostics::KindStandard)->setChecked(true);
        Wait(300, [] { return false; });
        ok = dialog.grab().save(folder + "/signature-page.png") && ok;

        page->OnGo();
        // Half way through the standard signature: the pressure ramps are on the strip chart.
        Wait(40000, [] { return false; });
        if (diagnostics::CSignatureProgressDlg* progress = page->ProgressWindow())
            ok = progress->grab().save(folder + "/signature-progress.png") && ok;
        else
            ok = false;
        Wait(120000, [page] { return !page->Logic().IsRunning(); });
        ok = !page->Logic().IsRunning() && ok;
    }
    device.CloseDevice();
    nifClose(session);
    return ok ? 0 : 1;
}
