// Tessaro: commissioning, configuration, calibration and diagnostics of digital valve
// positioners on a Fieldbus segment.
#include <QApplication>

#include "app/CMainFrame.h"
#include "app/MainLoop.h"
#include "app/ServerCheck.h"
#include "fieldbus/FieldbusLink.h"
#include "logon/ui/RunLogon.h"
#include "platform/RunMode.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtUi.h"
#include "trend/TrendTimeAxis.h"

int main(int argc, char** argv) {
    platform::SetRunMode(RunModeStandalone);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tessaro");
    trend::StartRecordingClock();  // trend samples count seconds from here
    platform::QtUi ui;
    platform::QtMessagePump pump;

    // Log on first; "Exit" ends the program.
    if (logon::RunLogon(nullptr) != 0) return 0;

    // Make sure the Fieldbus server runs (or the user chose to work without it).
    app::ServerCheckHooks hooks;
    hooks.isServerAvailable = [] { return fieldbus::FieldbusLink::IsServerAvailable(); };
    hooks.launch = app::LaunchDetached;
    if (app::ServerCheck("Tessaro", hooks) != 0) return 0;

    CMainFrame frame(fieldbus::FieldbusLink::Instance());
    return app::RunMainFrame(frame, ui);
}
