// Takes the README's pictures of the configuration transfer and the report, going through the
// main window's own commands on the shipped default segment hosted in this process: read
// FV-101 (the progress window is pictured), save it, download the file back to FV-101 and read
// it again, try it on FV-102 (refused: the tag is FV-101's), then read KV-201 and write its
// report as HTML and PDF (a page of the report is pictured), and last offer FV-101's file to
// KV-201 of the other family (the question is pictured and answered No). Questions are answered Yes and
// every box is printed. Usage: tessaro_transfer_screens OUTPUT_FOLDER
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

#include "fieldbus/screens/ScreenSegment.h"
#include "app/CMainFrame.h"
#include "app/CTessaroView.h"
#include "config/CConfigData.h"
#include "config/ConfigFile.h"
#include "logon/CurrentUser.h"
#include "platform/AtomicFile.h"
#include "platform/ui/QtMessagePump.h"
#include "platform/ui/QtProgressWindow.h"
#include "platform/ui/QtUi.h"
#include "simulator/InProcessSegment.h"

namespace {

void Wait(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Answers what the program asks while the tool runs: Yes (or OK) to every box, the wanted
// device in a pick list; and pictures the first progress window that reports a finished read.
class Operator : public QObject {
public:
    QString pick;
    QString progressPicture;
    // A question containing `refuse` is pictured into `questionPicture` and answered No.
    QString refuse;
    QString questionPicture;
    Operator() {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &Operator::Tick);
        timer->start(50);
    }

private:
    void Tick() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible()) continue;
            if (auto* box = qobject_cast<QMessageBox*>(w); box && !refuse.isEmpty() && box->text().contains(refuse)) {
                if (!questionPicture.isEmpty()) box->grab().save(questionPicture);
                questionPicture.clear();
                std::printf("box (answered No): %s\n", box->text().toLatin1().constData());
                if (QAbstractButton* no = box->button(QMessageBox::No)) no->click();
                continue;
            }
            if (fieldbus::screens::PressYes(w)) continue;
            if (auto* input = qobject_cast<QInputDialog*>(w)) {
                input->setTextValue(pick);
                input->accept();
            } else if (auto* progress = qobject_cast<platform::CMessageDisplayDialog*>(w)) {
                if (!progressPicture.isEmpty() &&
                    progress->TextBox()->toPlainText().contains("Reading device configuration data successful.")) {
                    progress->grab().save(progressPicture);
                    progressPicture.clear();
                }
            }
        }
    }
};

QTreeWidgetItem* Item(CMainFrame& frame, const QString& tag) {
    QTreeWidget* tree = frame.View()->Tree();
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (tree->topLevelItem(i)->text(0) == tag) return tree->topLevelItem(i);
    return nullptr;
}

void Select(CMainFrame& frame, const QString& tag) {
    if (QTreeWidgetItem* item = Item(frame, tag)) frame.View()->Tree()->setCurrentItem(item);
    Wait(3000);
}

// The first page of an HTML report as a picture.
bool PictureOfReport(const std::string& htmlPath, const QString& picture) {
    std::string html;
    if (!platform::ReadWholeFile(htmlPath, html)) return false;
    QTextDocument document;
    document.setHtml(QString::fromLatin1(html.data(), static_cast<qsizetype>(html.size())));
    document.setTextWidth(820);
    QImage image(860, 1160, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(20, 20);
    document.drawContents(&painter, QRectF(0, 0, 820, 1120));
    painter.end();
    return image.save(picture);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tessaro_transfer_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    platform::QtUi ui;
    platform::QtMessagePump pump;
    if (nifUseInProcessSegment(nullptr) != 0) return 1;
    logon::CurrentUser::SetName("Admin");
    logon::CurrentUser::SetLevel(9);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    Operator answers;

    fieldbus::FieldbusLink& link = fieldbus::FieldbusLink::Instance();
    CMainFrame frame(link);
    ui.SetMainWindow(&frame);
    frame.resize(1100, 700);
    frame.show();
    Wait(4000);
    app::ViewController& view = frame.View()->Controller();
    config::CConfigData& data = config::CurrentConfig();

    // Read FV-101 and save it.
    Select(frame, "FV-101");
    answers.progressPicture = folder + "/config-read-progress.png";
    const bool read = view.ReadConfigurationCommand() == 0;
    // The file goes to a folder of this run alone, removed at the end.
    QTemporaryDir scratch;
    if (!scratch.isValid()) return 1;
    const std::string file = scratch.filePath("FV-101.dmp").toStdString();
    const bool saved = config::WriteConfigurationFile(data, file) == 0;
    std::printf("read FV-101: %s, saved to %s: %s\n", read ? "yes" : "no", file.c_str(), saved ? "yes" : "no");

    // OFFLINE, open the file, download it back to FV-101 and read it again.
    Select(frame, "OFFLINE");
    config::CConfigData fromFile = data;
    config::ReadConfigurationFile(data, file);
    answers.pick = "FV-101";
    const bool downloaded = view.DownloadConfigurationCommand() == 0;
    config::CConfigData before = data;
    const bool again = view.ReadConfigurationCommand() == 0;
    // The feedback angle is measured, not configured: it moves with the valve between the reads.
    before.position.thetaP = data.position.thetaP;
    const bool same = before.position == data.position && before.ao == data.ao && before.pid == data.pid &&
                      before.option == data.option;
    std::printf("downloaded to FV-101: %s, read back: %s, groups equal: %s\n", downloaded ? "yes" : "no",
                again ? "yes" : "no", same ? "yes" : "no");

    // The same file on FV-102 is refused: the tag belongs to FV-101.
    Select(frame, "OFFLINE");
    answers.pick = "FV-102";
    std::printf("download to FV-102 refused: %s\n", view.DownloadConfigurationCommand() != 0 ? "yes" : "no");

    // KV-201 and the reports of both families.
    Select(frame, "KV-201");
    view.ReadConfigurationCommand();
    frame.Reports().SetViewer([](const std::string& path) {
        std::printf("report: %s\n", path.c_str());
        return true;
    });
    const std::string kvHtml = frame.Reports().Generate(report::ReportKind::Html);
    bool ok = PictureOfReport(kvHtml, folder + "/report-page.png");
    const std::string kvPdf = frame.Reports().Generate(report::ReportKind::Pdf);
    Select(frame, "FV-101");
    view.ReadConfigurationCommand();
    const std::string fvHtml = frame.Reports().Generate(report::ReportKind::Html);
    const std::string fvPdf = frame.Reports().Generate(report::ReportKind::Pdf);
    // FV-101's file offered to KV-201, a positioner of the other family: the question is
    // pictured and answered No, so nothing is written.
    Select(frame, "OFFLINE");
    config::ReadConfigurationFile(data, file);
    data.general.pdTag = "KV-201";  // the target's own tag and address: only the family differs
    data.general.nodeAddress = 22;
    answers.pick = "KV-201";
    answers.refuse = "of another family";
    answers.questionPicture = folder + "/config-download-other-family.png";
    const bool refused = view.DownloadConfigurationCommand() != 0;
    std::printf("download of FV-101's file to KV-201 declined: %s\n", refused ? "yes" : "no");
    ok = ok && refused && answers.questionPicture.isEmpty();
    ok = ok && read && saved && downloaded && again && same && !kvPdf.empty() && !fvHtml.empty() && !fvPdf.empty();
    ok = ok && answers.progressPicture.isEmpty();  // the progress window was pictured
    frame.close();
    return ok ? 0 : 1;
}
