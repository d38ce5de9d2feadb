// Takes the README's picture of the firmware download: the shipped firmware file for FV-102
// downloaded and activated on the default segment (hosted in this process, its clock 20
// times as fast as the wall clock), every question answered Yes, and the "Downloading
// Firmware" window shown as it ends. Usage: firmware_screens OUTPUT_FOLDER
#include <QApplication>
#include <QWidget>
#include <cstdio>

#include "fieldbus/FieldbusDevice.h"
#include "fieldbus/LinkContext.h"
#include "firmware/FirmwareCommands.h"
#include "platform/ui/QtUi.h"
#include "simulator/InProcessSegment.h"

namespace {

// The real progress window; once it offers "&CLOSE" its picture is taken and it counts as
// closed.
class PictureProgress : public platform::ProgressWindow {
public:
    PictureProgress(std::unique_ptr<platform::ProgressWindow> inner, QString file)
        : inner_(std::move(inner)), file_(std::move(file)) {}
    void AppendText(const std::string& text) override { inner_->AppendText(text); }
    void SetText(const std::string& text) override { inner_->SetText(text); }
    std::string Text() const override { return inner_->Text(); }
    void SetButtonText(const std::string& text) override {
        inner_->SetButtonText(text);
        closing_ = text == "&CLOSE";
    }
    void EnableButton(bool enable) override { inner_->EnableButton(enable); }
    bool ButtonPressed() const override {
        if (!closing_) return inner_->ButtonPressed();
        QApplication::processEvents();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == "Downloading Firmware") saved = w->grab().save(file_);
        return true;
    }
    void ResetButton() override { inner_->ResetButton(); }
    void Close() override { inner_->Close(); }
    bool IsOpen() const override { return inner_->IsOpen(); }
    mutable bool saved = false;

private:
    std::unique_ptr<platform::ProgressWindow> inner_;
    QString file_;
    bool closing_ = false;
};

class PictureUi : public platform::QtUi {
public:
    explicit PictureUi(QString file) : file_(std::move(file)) {}
    int MessageBox(const std::string& text, const std::string&, int flags) override {
        std::printf("%s\n---\n", text.c_str());
        return platform::ButtonsOf(flags) == platform::MB_YESNO ? platform::IDYES : platform::IDOK;
    }
    std::unique_ptr<platform::ProgressWindow> CreateProgressWindow(const std::string& caption,
                                                                   const std::string& button) override {
        auto window = std::make_unique<PictureProgress>(QtUi::CreateProgressWindow(caption, button), file_);
        last = window.get();
        return window;
    }
    PictureProgress* last = nullptr;

private:
    QString file_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: firmware_screens OUTPUT_FOLDER\n");
        return 2;
    }
    QApplication app(argc, argv);
    PictureUi ui(QString::fromLocal8Bit(argv[1]) + "/firmware-download.png");
    simulator::LoadOptions options;
    options.speed = 20;
    options.latency = 1;
    std::string error;
    auto segment = simulator::LoadSegmentFile(simulator::DefaultSegmentPath(), options, error);
    if (!segment) return 1;
    simulator::UseInProcessSegment(segment);
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
        if (std::string("FV-102") == entries[i].pdTag) device.BindSlot(2, entries[i].deviceId, entries[i].pdTag);
    if (device.OpenDevice() != 0 || device.ReadBackBlockTags() != 0) return 1;

    const firmware::FirmwareTarget target = firmware::ReadFirmwareTarget(device, 2, "FV-102");
    const std::string file = std::string(TESSARO_FIRMWARE_DIR) + "/42524B0007_0007_SW2.10.00.ffd";
    const int result = firmware::FirmwareDownloadCommand(device, target, [&](const config::FileDialogRequest&) {
        return config::FileDialogResult{true, file, 1};
    });
    device.CloseDevice();
    nifClose(session);
    return result == 0 && ui.last && ui.last->saved ? 0 : 1;
}
