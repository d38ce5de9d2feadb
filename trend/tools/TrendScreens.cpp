// Takes the README's pictures of the trend window: five minutes of FV-101 on the shipped
// default segment (hosted in this process on a manual clock, so the minutes pass at once)
// with position, set point, process value and set point and output pressure; then the same
// recording zoomed into the value axis and scrolled back a minute.
// Usage: trend_screens OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/LinkContext.h"
#include "platform/ProfileFile.h"
#include "platform/ui/QtUi.h"
#include "simulator/InProcessSegment.h"
#include "trend/ui/CTrendDlg.h"

namespace {

// One sample set read the way the device's process poll reads it.
fieldbus::ProcessRecord ReadProcess(fieldbus::FieldbusDevice& device) {
    fieldbus::ProcessRecord record{};
    fieldbus::StatusValue v;
    if (device.ReadTbFinalPositionValue(v) == 0) record.finalPositionValue = v.value;
    if (device.ReadTbFinalValue(v) == 0) record.finalValue = v.value;
    if (device.ReadPidPv(v) == 0) record.pidPv = v.value;
    if (device.ReadPidSp(v) == 0) record.pidSp = v.value;
    device.ReadTbOutPressure(record.outPressure);
    device.ReadTbServoOutputSignal(record.servoOutputSignal);
    return record;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: trend_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    platform::QtUi ui;
    simulator::LoadOptions options;
    options.manualClock = true;
    options.latency = 0;
    std::string error;
    auto segment = simulator::LoadSegmentFile(simulator::DefaultSegmentPath(), options, error);
    if (!segment) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    auto backend = simulator::UseInProcessSegment(segment);
    nifDesc_t session = 0;
    nifInterfaceInfo interfaces[4] = {};
    uint16_t count = 4;
    fieldbus::DirectLink link;
    if (nifOpenSession(nullptr, &session) != E_OK || nifGetInterfaceList(session, &count, interfaces) != E_OK ||
        nifOpenLink(session, 0, interfaces[0].interfaceName, 0, &link.link) != E_OK)
        return 1;
    fieldbus::FieldbusDevice device;
    device.SetLink(&link);
    nifLiveListEntry entries[32] = {};
    count = 32;
    nifGetDeviceList(link.link, entries, &count, nullptr);
    for (uint16_t i = 0; i < count; ++i)
        if (std::string("FV-101") == entries[i].pdTag) device.BindSlot(1, entries[i].deviceId, entries[i].pdTag);
    if (device.OpenDevice() != 0 || device.ReadBackBlockTags() != 0) return 1;

    const std::string profile = QDir::tempPath().toStdString() + "/trend-screens.ini";
    for (const char* key : {"PosTrendEnable", "PosSPTrendEnable", "PVTrendEnable", "SPTrendEnable",
                            "PressureTrendEnable"})
        platform::WritePrivateProfileString(trend::kTrendSection, key, "1", profile);
    platform::WritePrivateProfileString(trend::kTrendSection, "ServoOutputTrendEnable", "0", profile);

    trend::CTrendDlg window({1, &device, "FV-101", nullptr}, profile, 0);
    trend::PressureInfo pressure;
    device.ReadTbSupplyPressure(pressure.fullScale);
    pressure.unit = "kPa";
    window.Recorder().SetPressure(pressure);
    if (!window.Create()) return 1;
    window.resize(900, 600);
    window.show();

    // Five minutes at 500 ms.
    for (int i = 0; i <= 600; ++i) {
        backend->GetSegment().clock.Advance(500);
        window.Recorder().AddSamples(ReadProcess(device), 1000.0f + 0.5f * static_cast<float>(i));
    }
    window.Refresh();
    QApplication::processEvents();
    const QString folder = QString::fromLocal8Bit(argv[1]);
    bool ok = window.grab().save(folder + "/trend-window.png");

    window.Recorder().ApplyBand(35.0f, 65.0f);
    window.Recorder().SetScrollPosition(window.Recorder().ScrollLimit() - 60);
    window.Refresh();
    QApplication::processEvents();
    ok = window.grab().save(folder + "/trend-window-zoomed.png") && ok;
    window.hide();
    device.CloseDevice();
    nifClose(session);
    std::remove(profile.c_str());
    return ok ? 0 : 1;
}
