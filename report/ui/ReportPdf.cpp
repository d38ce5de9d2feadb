#include "report/ui/ReportPdf.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include "platform/AtomicFile.h"

namespace report {

bool PrintHtmlToPdf(const std::string& html, const std::string& pdfPath) {
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

}  // namespace report
