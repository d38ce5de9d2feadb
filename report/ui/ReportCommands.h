#pragma once
// The report commands of the main window: "Configuration Report..." (HTML, text or PDF, chosen
// in a small dialog) and "Export Report as PDF...". The report is made from the current
// configuration; with a device open, the signatures it keeps are listed too (read off the
// window's thread through the runner). The file opens in the desktop's default viewer.
#include <functional>
#include <string>

#include "config/BusRunner.h"
#include "config/CConfigData.h"
#include "report/ReportFiles.h"

class QWidget;
namespace fieldbus {
class DeviceAccess;
}

namespace report {

class ReportCommands {
public:
    explicit ReportCommands(config::CConfigData& data = config::CurrentConfig());

    // The open device (null while none is), and how its signatures are read.
    void SetDevice(std::function<fieldbus::DeviceAccess*()> device) { device_ = std::move(device); }
    void SetBusRunner(config::BusRunner runBus) { runBus_ = std::move(runBus); }
    // Replaces the option dialog (tests): returns false when cancelled.
    void SetKindChooser(std::function<bool(QWidget*, ReportKind&)> chooser) { chooser_ = std::move(chooser); }
    // Replaces the desktop viewer (tests).
    void SetViewer(std::function<bool(const std::string&)> viewer) { viewer_ = std::move(viewer); }

    // "Configuration Report...": asks for the kind, then generates and shows it. Returns the
    // file shown, "" when cancelled or failed.
    std::string OnReport(QWidget* parent);
    // Generates and shows a report of `kind`.
    std::string Generate(ReportKind kind);

    // The HTML file printed into a PDF file (A4), written through a temporary file.
    static bool PrintPdf(const std::string& htmlPath, const std::string& pdfPath);
    // Opens a file with the desktop's default application.
    static bool OpenInDesktopViewer(const std::string& path);

private:
    config::CConfigData& data_;
    std::function<fieldbus::DeviceAccess*()> device_;
    config::BusRunner runBus_;
    std::function<bool(QWidget*, ReportKind&)> chooser_;
    std::function<bool(const std::string&)> viewer_;
};

}  // namespace report
