#include "app/MainLoop.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "app/CMainFrame.h"
#include "app/CTessaroView.h"
#include "fieldbus/FieldbusLink.h"
#include "platform/ui/QtUi.h"

namespace app {

int RunMainFrame(CMainFrame& frame, platform::QtUi& ui) {
    fieldbus::FieldbusLink& link = frame.View()->Link();
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

}  // namespace app
