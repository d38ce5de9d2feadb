// Takes the README's picture of the PID process controller: FV-101 of the shipped default
// segment (hosted in this process on a manual clock) in the SIM. training state, a minute
// after its set point went from 50 to 65, the process value following it through the valve.
// Usage: pid_controller_screens OUTPUT_FOLDER
#include <QApplication>
#include <QTimer>
#include <cstdio>

#include "SegmentDevice.h"
#include "controller/ui/CPidControllerDlg.h"
#include "logon/CurrentUser.h"
#include "platform/testing/FakeClock.h"
#include "platform/ui/QtUi.h"

namespace {

// Answers the SIM. warning with Yes and shows nothing.
class YesUi : public platform::QtUi {
public:
    int MessageBox(const std::string& text, const std::string&, int flags) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return platform::ButtonsOf(flags) == platform::MB_YESNO ? platform::IDYES : platform::IDOK;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pid_controller_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    YesUi ui;
    logon::CurrentUser::SetLevel(9);
    platform::testing::FakeClock clock;  // the block's mode changes pass at once
    fieldbus::testing::SegmentDevice bed("FV-101");
    if (!bed.Opened()) return 1;
    uint64_t last = clock.NowMs();
    clock.OnSleep([&](uint64_t now) {
        bed.Advance(now - last);
        last = now;
    });

    controller::CPidControllerDlg dialog(&bed.Device(), {"FV-101", 0.0f, 100.0f, {}, {}});
    dialog.show();
    dialog.FillNow();
    dialog.Controller().ChangeState(controller::kStateSim);
    if (!dialog.Controller().Simulating()) return 1;
    dialog.Controller().EnterSetPoint(65.0f);
    for (int s = 0; s < 60; ++s) {
        bed.Advance(1000);
        dialog.Controller().SimulationTick();
    }
    // The values as the dialog's readers would show them.
    dialog.Controller().Fill(0);
    QApplication::processEvents();
    const bool ok = dialog.grab().save(QString::fromLocal8Bit(argv[1]) + "/pid-controller.png");
    dialog.SimulationTimer()->stop();
    return ok ? 0 : 1;
}
