#include "report/ui/ReportCommands.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>
#include <ctime>

#include "fieldbus/DeviceAccess.h"
#include "logon/CurrentUser.h"
#include "platform/AtomicFile.h"
#include "report/SignatureSummaries.h"
#include "report/ui/CReportOptionDialog.h"

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
    if (!platform::ReadWholeFile(htmlPath, html)) return false;
    QTextDocument document;
    document.setHtml(QString::fromLatin1(html.data(), static_cast<qsizetype>(html.size())));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle("Configuration Report");
        writer.setCreator("Tessaro");
        document.print(&writer);
    }
    const QByteArray bytes = buffer.data();
    if (bytes.isEmpty()) return false;
    return platform::WriteFileAtomically(pdfPath, std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
}

bool ReportCommands::OpenInDesktopViewer(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace report
