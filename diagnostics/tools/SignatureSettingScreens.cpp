// A picture of the signature settings sheet for the README (not a test):
//   signature_setting_screens <folder>
// writes signature-settings-step.png: the step-response page of FV-101 set for a dead-band
// test of two cycles in steps of 1 % around 50 %.
#include <QApplication>
#include <QDir>
#include <QTabWidget>

#include "diagnostics/ui/CSignatureSettingSheet.h"

using namespace diagnostics;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? argv[1] : ".";
    QDir().mkpath(folder);
    SignatureSettings s;
    const float standard[] = {60, 60, 5}, step[] = {50, 54, 50, 100, 1, 4, 0.5f, 30};
    for (int i = 0; i < 3; ++i) s.At(0, i) = standard[i];
    for (int i = 0; i < 8; ++i) s.At(2, i) = step[i];
    CSignatureSettingSheet sheet("FV-101", 1 | 8, s, true, true, 0.0f, 100.0f);
    sheet.Pages()->setCurrentIndex(1);
    sheet.resize(520, 460);
    sheet.show();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    return sheet.grab().save(folder + "/signature-settings-step.png") ? 0 : 1;
}
