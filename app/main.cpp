// Tessaro: commissioning, configuration, calibration and diagnostics of digital valve
// positioners on a Fieldbus segment.
#include <QApplication>

#include "app/CMainFrame.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtUi.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tessaro");
    platform::QtUi ui;
    platform::QtMessagePump pump;
    CMainFrame frame;
    ui.SetMainWindow(&frame);
    frame.show();
    return QApplication::exec();
}
