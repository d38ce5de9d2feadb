// Takes the README's pictures of the query window: FV-102 of the shipped default segment
// (hosted in this process) answering "Read Configuration", and the parameter list of its
// transducer block.
// Usage: query_screens OUTPUT_FOLDER
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <thread>

#include "SegmentDevice.h"
#include "platform/ui/QtUi.h"
#include "query/ui/CQueryDeviceSheet.h"

namespace {

template <typename F>
bool PumpUntil(F done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < limit) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: query_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    platform::QtUi ui;
    fieldbus::testing::SegmentDevice bed("FV-102");
    if (!bed.Opened()) return 1;
    fieldbus::FieldbusDevice& device = bed.Device();
    query::QueryTarget target{1, &device, "FV-102", {device.DeviceId(), {}, {}, {}}};
    device.GetIdentification(target.identity.vendor, target.identity.model, target.identity.hardwareRevision);
    query::CQueryDeviceSheet sheet(target);
    if (!sheet.Create()) return 1;
    sheet.resize(820, 560);
    sheet.show();

    const QString folder = QString::fromLocal8Bit(argv[1]);
    sheet.Commands()->setCurrentRow(10);  // Read Configuration
    bool ok = PumpUntil([&] { return sheet.Answer()->toPlainText().startsWith("Read Configuration"); });
    ok = ok && sheet.grab().save(folder + "/query-window.png");

    sheet.Pages()->setCurrentIndex(2);
    sheet.Blocks()->setCurrentIndex(1);  // the transducer block
    ok = ok && PumpUntil([&] { return sheet.Parameters()->topLevelItemCount() > 20 && !sheet.Busy(); });
    ok = ok && sheet.grab().save(folder + "/query-window-parameters.png");
    sheet.close();
    return ok ? 0 : 1;
}
