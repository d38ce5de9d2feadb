#include "report/ui/ReportCommands.h"

#include <QDesktopServices>
#include <QUrl>
#include <ctime>

#include "fieldbus/DeviceAccess.h"
#include "logon/CurrentUser.h"
#include "platform/AtomicFile.h"
#include "report/SignatureSummaries.h"
#include "report/ui/CReportOptionDialog.h"
#include "report/ui/ReportPdf.h"

namespace report {

ReportCommands::ReportCommands(config::CConfigData& data) : data_(data) {
    chooser_ = [](QWidget* parent, ReportKind& kind) {
        CReportOptionDialog dialog(parent);
        dialog.SetKind(kind);
        if (dialog.exec() != QDialog::Accepted) return false;
        kind = dialog.Kind();
        return true;
    };
    viewer_ = &ReportCommands::OpenInDesktopViewer;
}

std::string ReportCommands::OnReport(QWidget* parent) {
    ReportKind kind = ReportKind::Html;
    if (!chooser_(parent, kind)) return {};
    return Generate(kind);
}

std::string ReportCommands::Generate(ReportKind kind) {
    ReportContext context;
    context.userName = logon::CurrentUser::Name();
    context.now = std::time(nullptr);
    fieldbus::DeviceAccess* device = device_ ? device_() : nullptr;
    context.deviceOpen = device != nullptr && device->IsOpen();
    if (context.deviceOpen && data_.general.signatureActivation != 0) {
        config::OrInPlace(runBus_)([&] {
            context.signatures = ReadSignatureSummaries(*device);
            return 0;
        });
    }
    ReportActions actions;
    actions.open = viewer_;
    actions.printPdf = &ReportCommands::PrintPdf;
    return RunReport(kind, data_, context, actions);
}

bool ReportCommands::PrintPdf(const std::string& htmlPath, const std::string& pdfPath) {
    std::string html;
    return platform::ReadWholeFile(htmlPath, html) && PrintHtmlToPdf(html, pdfPath);
}

bool ReportCommands::OpenInDesktopViewer(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace report
