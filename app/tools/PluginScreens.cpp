// Takes the README's pictures of the plug-in build, going through its own menu commands on the
// shipped default segment hosted in this process, with the host library beside the program
// and a host database in a temporary folder: the plug-in opens FV-101 for the host, reads its
// configuration, saves it as "Commissioning", changes the servo gain and saves "Tuned",
// loads "Commissioning" again and downloads it (the load dialog is pictured), deletes
// "Tuned", and the window is pictured. Questions are answered Yes and every box is printed.
// Usage: tessaro_plugin_screens OUTPUT_FOLDER
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "fieldbus/screens/ScreenSegment.h"
#include "app/CQamMainFrame.h"
#include "app/CTessaroQAMView.h"
#include "config/CConfigData.h"
#include "config/ConfigDatabaseLists.h"
#include "config/ui/CConfigDatabaseDlg.h"
#include "logon/CurrentUser.h"
#include "platform/RunMode.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtUi.h"
#include "plugin/QamLibrary.h"
#include "simulator/InProcessSegment.h"

namespace {

void Wait(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Answers what the program asks: Yes (or OK) to every box; the database dialogs with the
// names queued (a name to type or select, "" to close the dialog); a dialog whose picture is
// wanted is pictured first.
class Operator : public QObject {
public:
    std::deque<QString> names;
    QString dialogPicture;
    Operator() {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &Operator::Tick);
        timer->start(50);
    }

private:
    void Tick() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) continue;
            if (fieldbus::screens::PressYes(w)) continue;
            if (auto* dialog = qobject_cast<config::CConfigDatabaseDlg*>(w)) {
                Answer(dialog);
            }
        }
    }
    void Answer(config::CConfigDatabaseDlg* dialog) {
        const QString name = names.empty() ? QString() : names.front();
        if (!names.empty()) names.pop_front();
        std::printf("dialog: %s -> %s\n", dialog->windowTitle().toLatin1().constData(),
                    name.isEmpty() ? "(closed)" : name.toLatin1().constData());
        if (name.isEmpty()) {
            dialog->reject();
            return;
        }
        if (dialog->NameEdit() != nullptr) dialog->NameEdit()->setText(name);
        for (int i = 0; i < dialog->List()->topLevelItemCount(); ++i)
            if (dialog->List()->topLevelItem(i)->text(0) == name)
                dialog->List()->setCurrentItem(dialog->List()->topLevelItem(i));
        if (!dialogPicture.isEmpty()) {
            dialog->grab().save(dialogPicture);
            dialogPicture.clear();
        }
        dialog->OkButton()->click();
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaro_plugin_screens OUTPUT_FOLDER\n");
        return 2;
    }
    platform::SetRunMode(RunModeQamPlugIn);
    QTemporaryDir scratch;
    setenv("TESSARO_HOME", (scratch.path() + "/home").toLocal8Bit().constData(), 1);
    setenv("TESSARO_REGISTRY", (scratch.path() + "/registry.dat").toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    platform::QtUi ui;
    platform::QtMessagePump pump;
    platform::SetAppCaption(CQamMainFrame::kHostTitle);
    if (nifUseInProcessSegment(nullptr) != 0) return 1;
    plugin::QamLibrary library;
    std::string why;
    if (library.Load(plugin::QamLibrary::Candidates(QCoreApplication::applicationDirPath().toStdString()), why) != 0) {
        std::fprintf(stderr, "%s", why.c_str());
        return 1;
    }
    app::QamStartArguments start;
    if (app::StartQamPlugIn({"S1", "asset-host", "Interface0-0/FV-101", "FV-101", "42524B0001J0000010", "RW", "tech"},
                            [] { return 0; }, start) != 0)
        return 1;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    Operator answers;

    CQamMainFrame frame(fieldbus::FieldbusLink::Instance(), start, library.Api());
    ui.SetMainWindow(&frame);
    frame.resize(1100, 700);
    frame.show();
    Wait(4000);
    config::CConfigData& data = config::CurrentConfig();

    frame.Command("readConfig")->trigger();
    const float deviceGain = data.position.servoGain;
    answers.names = {"Commissioning"};
    frame.Command("saveDatabase")->trigger();
    data.position.servoGain = deviceGain + 30;
    data.dataState = config::StateChangedByPage;
    answers.names = {"Tuned"};
    frame.Command("saveDatabase")->trigger();

    answers.names = {"Commissioning"};
    answers.dialogPicture = folder + "/plugin-load-dialog.png";
    frame.Command("loadDatabase")->trigger();
    const bool downloaded = data.dataState == config::StateConsistent && data.position.servoGain == deviceGain;
    answers.names = {"Tuned", ""};
    frame.Command("deleteDatabase")->trigger();

    std::vector<config::HostEntry> left;
    frame.QamView()->HostDatabase().SearchList(config::HostList(config::ListRbGeneral), left);
    std::printf("data sets left:");
    for (const config::HostEntry& entry : left) std::printf(" %s", entry.name.c_str());
    std::printf("\nloaded and downloaded: %s\n", downloaded ? "yes" : "no");
    Wait(1500);
    frame.grab().save(folder + "/plugin-window.png");
    const bool ok = downloaded && left.size() == 1 && left[0].name == "Commissioning" && answers.dialogPicture.isEmpty();
    frame.close();
    return ok ? 0 : 1;
}
