// TessaroPlugin: Tessaro as a plug-in of the partner's asset-management host, started by the
// host for one device (see QamCommandLine.h for the arguments).
#include <QApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CQamMainFrame.h"
#include "app/MainLoop.h"
#include "app/QamCommandLine.h"
#include "config/CConfigData.h"
#include "fieldbus/FieldbusLink.h"
#include "logon/CurrentUser.h"
#include "platform/RunMode.h"
#include "platform/Ui.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtUi.h"
#include "plugin/QamLibrary.h"
#include "trend/TrendTimeAxis.h"

int main(int argc, char** argv) {
    platform::SetRunMode(RunModeQamPlugIn);
    QApplication app(argc, argv);
    QApplication::setApplicationName(CQamMainFrame::kHostTitle);
    platform::SetAppCaption(CQamMainFrame::kHostTitle);
    trend::StartRecordingClock();
    platform::QtUi ui;
    platform::QtMessagePump pump;

    plugin::QamLibrary library;
    const auto load = [&library] {
        std::string why;
        const int result =
            library.Load(plugin::QamLibrary::Candidates(QCoreApplication::applicationDirPath().toStdString()), why);
        if (result != 0) std::fprintf(stderr, "%s", why.c_str());
        return result;
    };
    app::QamStartArguments start;
    if (app::StartQamPlugIn(std::vector<std::string>(argv + 1, argv + argc), load, start) != 0) return 1;
    config::CurrentConfig().identity.userLevel = static_cast<int>(logon::CurrentUser::Level());

    CQamMainFrame frame(fieldbus::FieldbusLink::Instance(), start, library.Api());
    return app::RunMainFrame(frame, ui);
}
