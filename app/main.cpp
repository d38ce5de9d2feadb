// Tessaro: commissioning, configuration, calibration and diagnostics of digital valve
// positioners on a Fieldbus segment.
#include <QApplication>

#include "app/CMainFrame.h"
#include "app/ServerCheck.h"
#include "fieldbus/FieldbusLink.h"
#include "logon/ui/RunLogon.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtUi.h"
#include "trend/TrendTimeAxis.h"

int main(int argc, char** argv) {
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

    fieldbus::FieldbusLink& link = fieldbus::FieldbusLink::Instance();
    CMainFrame frame(link);
    ui.SetMainWindow(&frame);
    frame.show();
    const int result = QApplication::exec();
    link.CloseLink();
    return result;
}
