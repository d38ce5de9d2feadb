#include "fieldbus/screens/ScreenSegment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QAbstractButton>
#include <QMessageBox>
#include <cstdio>

#include "fieldbus/OperationState.h"
#include "simulator/InProcessSegment.h"

namespace fieldbus::screens {

int YesUi::MessageBox(const std::string& text, const std::string&, int flags) {
    const bool question = platform::ButtonsOf(flags) == platform::MB_YESNO;
    if (echo_ && !question) std::fprintf(stderr, "%s\n", text.c_str());
    return question ? platform::IDYES : platform::IDOK;
}

ScreenSegment::ScreenSegment(double speed) {
    simulator::LoadOptions options;
    options.speed = speed;
    if (!simulator::UseInProcessSegment(simulator::LoadSegmentFile(simulator::DefaultSegmentPath(), options, error_))) {
        if (error_.empty()) error_ = "The default segment cannot be hosted.";
    } else {
        nifInterfaceInfo interfaces[4] = {};
        uint16_t count = 4;
        if (nifOpenSession(nullptr, &session_) != E_OK || nifGetInterfaceList(session_, &count, interfaces) != E_OK ||
            count == 0 || nifOpenLink(session_, 0, interfaces[0].interfaceName, 0, &link_.link) != E_OK)
            error_ = "The simulated link does not open.";
    }
    if (!error_.empty()) std::fprintf(stderr, "%s\n", error_.c_str());
}

ScreenSegment::~ScreenSegment() {
    if (session_ != 0) nifClose(session_);
}

bool ScreenSegment::Open(FieldbusDevice& device, const std::string& tag, bool outOfService) {
    if (!error_.empty()) return false;
    nifLiveListEntry entries[32] = {};
    uint16_t count = 32;
    if (nifGetDeviceList(link_.link, entries, &count, nullptr) != E_OK) return false;
    device.SetLink(&link_);
    bool found = false;
    for (uint16_t i = 0; i < count && i < 32; ++i)
        if (tag == entries[i].pdTag) {
            device.BindSlot(1 + i, entries[i].deviceId, entries[i].pdTag);
            found = true;
        }
    if (!found || device.OpenDevice() != 0 || device.ReadBackBlockTags() != 0) return false;
    return !outOfService || device.SetOperationState(kOutOfService, kWarnStateChange, false, false) == 0;
}

bool PressYes(QWidget* window) {
    auto* box = qobject_cast<QMessageBox*>(window);
    if (!box) return false;
    std::printf("box: %s\n", box->text().toLatin1().constData());
    QAbstractButton* yes = box->button(QMessageBox::Yes);
    (yes ? yes : box->button(QMessageBox::Ok))->click();
    return true;
}

void Wait(int ms, const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms && !(done && done())) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace fieldbus::screens
