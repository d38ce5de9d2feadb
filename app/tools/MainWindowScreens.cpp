// Takes the README's pictures of the main window: the device list after the scan, and an
// open positioner with its modes and values. Runs on the shipped default segment hosted in
// this process. Usage: tessaro_screens OUTPUT_FOLDER
#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <cstdio>

#include "app/CMainFrame.h"
#include "app/CTessaroView.h"
#include "logon/CurrentUser.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtUi.h"
#include "simulator/InProcessSegment.h"

namespace {

void Wait(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaro_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    platform::QtUi ui;
    platform::QtMessagePump pump;
    if (nifUseInProcessSegment(nullptr) != 0) return 1;
    logon::CurrentUser::SetName("Admin");
    logon::CurrentUser::SetLevel(9);

    fieldbus::FieldbusLink& link = fieldbus::FieldbusLink::Instance();
    CMainFrame frame(link);
    ui.SetMainWindow(&frame);
    frame.resize(1100, 700);
    frame.show();
    Wait(4000);  // offline default, scan and its progress window
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = frame.grab().save(folder + "/main-window-devices.png");

    QTreeWidget* tree = frame.View()->Tree();
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == "FV-101") tree->setCurrentItem(tree->topLevelItem(i));
    Wait(6000);  // open, then the view readers publish
    ok = frame.grab().save(folder + "/main-window-positioner.png") && ok;
    frame.close();
    return ok ? 0 : 1;
}
