// Tessaro: commissioning, configuration, calibration and diagnostics of digital valve
// positioners on a Fieldbus segment.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/CMainFrame.h"
#include "app/CTessaroView.h"
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
    frame.View()->Controller().Shutdown();
    link.CloseLink();
    // Work left waiting for a server that stopped answering would hold the ending program:
    // nothing of it needs to finish (files are written whole as they are saved).
    if (link.HasAbandonedWork()) {
        std::fflush(nullptr);
        std::_Exit(result);
    }
    return result;
}
