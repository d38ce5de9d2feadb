// Pictures of the signature graph window for the README:
//   signature_graph_screens <folder>
// writes signature-graph-actuator.png (two files compared) and signature-graph-step.png
// (step responses with the result analysis), made from the shipped example files.
#include <QApplication>
#include <QDir>
#include <QTimer>

#include "graphs/ui/CSignatureGraph.h"
#include "graphs/ui/CSignatureGraphDlg.h"
#include "platform/Paths.h"

using namespace graphs;

namespace {

void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

bool Save(QWidget* w, const QString& path) {
    Settle();
    return w->grab().save(path);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? argv[1] : ".";
    QDir().mkpath(folder);
    const std::string examples = platform::JoinPath(platform::SeedDirectory(), "Signature Data");

    CSignatureGraphDlg actuator;
    actuator.resize(900, 820);
    actuator.Model().LoadFile(examples + "/FV-101_commissioning.sig");
    actuator.Model().LoadFile(examples + "/FV-101_service.sig");
    actuator.show();
    const bool a = Save(&actuator, folder + "/signature-graph-actuator.png");

    CSignatureGraphDlg step;
    step.resize(900, 700);
    step.Model().LoadFile(examples + "/FV-101_step_response.sig");
    step.show();
    const bool b = Save(&step, folder + "/signature-graph-step.png");
    return a && b ? 0 : 1;
}
