// Takes the README's pictures of the configuration sheet and the curve editor, going through
// the main window's own Configure command on the shipped default segment hosted in this
// process: FV-101 is read, then in the sheet the servo gain and the AO up rate limit are
// changed, "Define" is chosen on the Option page and a curve typed into the editor, and OK
// is pressed (the out-of-service question answered Yes). The device's values are read back
// and the configuration is saved and loaded again. Every box is printed.
// Usage: tessaro_configure_screens OUTPUT_FOLDER
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <cstring>

#include "fieldbus/screens/ScreenSegment.h"
#include "app/CMainFrame.h"
#include "app/CTessaroView.h"
#include "config/CConfigData.h"
#include "config/ConfigFile.h"
#include "config/ui/CConfigSheet.h"
#include "config/ui/CCustomCurveDlg.h"
#include "config/ui/ConfigPages.h"
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

constexpr float kCurve[9] = {20, 36, 50, 61, 70, 78, 85, 91, 96};

// Plays the technician: answers every box Yes (or OK), edits the sheet, draws the curve and
// takes the pictures.
class Operator : public QObject {
public:
    QString folder;
    bool sheetSeen = false, editorSeen = false, okPressed = false;

    Operator() {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &Operator::Tick);
        timer->start(100);
    }

private:
    void Tick() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) continue;
            if (fieldbus::screens::PressYes(w)) return;
        }
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* editor = qobject_cast<config::CCustomCurveDlg*>(w); editor && editor->isVisible()) {
                if (!editorSeen) DrawCurve(editor);
                return;
            }
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* sheet = qobject_cast<config::CConfigSheet*>(w); sheet && sheet->isVisible()) {
                if (!sheetSeen)
                    EditSheet(sheet);
                else if (editorSeen && !okPressed)
                    PressOk(sheet);
                return;
            }
    }

    void Show(config::CConfigSheet* sheet, const QString& page) {
        sheet->Tabs()->setCurrentWidget(sheet->Page(page));
        Wait(200);
    }

    void EditSheet(config::CConfigSheet* sheet) {
        sheetSeen = true;
        Show(sheet, "Position");
        sheet->findChild<QLineEdit*>("servoGain")->setText("135");
        sheet->grab().save(folder + "/configure-position-page.png");
        Show(sheet, "AO Block");
        sheet->findChild<QLineEdit*>("spRateUp")->setText("20");
        sheet->grab().save(folder + "/configure-ao-page.png");
        Show(sheet, "Option");
        auto* type = sheet->findChild<QComboBox*>("charType");
        const int define = type->findText("Define");
        std::printf("characterisation choices: %d, Define at %d\n", type->count(), define);
        type->setCurrentIndex(define);
        // As the user's choice does: the editor opens (after this tick, it is modal).
        QTimer::singleShot(0, type, [type, define] { emit type->activated(define); });
    }

    void DrawCurve(config::CCustomCurveDlg* editor) {
        editorSeen = true;
        for (int i = 8; i >= 0; --i) {  // from the top, so each value stays below its upper neighbour
            editor->Field(i + 1)->setText(QString::number(kCurve[i]));
            editor->CommitField(i + 1);
        }
        Wait(200);
        editor->grab().save(folder + "/curve-editor.png");
        editor->accept();
    }

    void PressOk(config::CConfigSheet* sheet) {
        okPressed = true;
        QTimer::singleShot(0, sheet, [sheet] {
            sheet->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
    }
};

QTreeWidgetItem* Item(CMainFrame& frame, const QString& tag) {
    QTreeWidget* tree = frame.View()->Tree();
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == tag) return tree->topLevelItem(i);
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaro_configure_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    platform::QtUi ui;
    platform::QtMessagePump pump;
    if (nifUseInProcessSegment(nullptr) != 0) return 1;
    logon::CurrentUser::SetName("Admin");
    logon::CurrentUser::SetLevel(9);
    Operator operatorBot;
    operatorBot.folder = QString::fromLocal8Bit(argv[1]);

    fieldbus::FieldbusLink& link = fieldbus::FieldbusLink::Instance();
    CMainFrame frame(link);
    ui.SetMainWindow(&frame);
    frame.resize(1100, 700);
    frame.show();
    Wait(4000);
    app::ViewController& view = frame.View()->Controller();
    config::CConfigData& data = config::CurrentConfig();

    frame.View()->Tree()->setCurrentItem(Item(frame, "FV-101"));
    Wait(3000);
    const bool read = view.ReadConfigurationCommand() == 0;
    frame.RefreshStatusBar();
    frame.Command("configure")->trigger();

    fieldbus::FieldbusDevice& device = link.Device(view.CurrentSlot());
    float gain = 0, rate = 0;
    uint8_t type = 0;
    fieldbus::RawRecord36 curve{};
    device.ReadTbServoGain(gain);
    device.ReadAoSpRateUp(rate);
    device.ReadTbPositionCharType(type);
    device.ReadTbPositionChar(curve);
    const float first = [&] {
        uint32_t bits = (uint32_t(curve[0]) << 24) | (uint32_t(curve[1]) << 16) | (uint32_t(curve[2]) << 8) | curve[3];
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }();
    std::printf("device: servo gain %g, AO up rate %g, characterisation type %u, first point %g\n", gain, rate, type,
                first);
    const std::string file = (QDir::tempPath() + "/FV-101-configured.dmp").toStdString();
    config::CConfigData loaded;
    const bool saved = config::WriteConfigurationFile(data, file) == 0 && config::ReadConfigurationFile(loaded, file) == 0;
    std::printf("record: servo gain %g, AO up rate %g; saved and loaded: %s, file holds them: %s\n",
                data.position.servoGain, data.ao.spRateUp, saved ? "yes" : "no",
                loaded.position.servoGain == 135.0f && loaded.ao.spRateUp == 20.0f && loaded.option.charPoints[0] == 20.0f
                    ? "yes"
                    : "no");
    const bool ok = read && operatorBot.okPressed && gain == 135.0f && rate == 20.0f && type == 255 && first == 20.0f &&
                    saved;
    frame.close();
    return ok ? 0 : 1;
}
