#include "report/ui/ReportPdf.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextFrame>

#include "platform/AtomicFile.h"

namespace report {

void SetUpPdfWriter(QPdfWriter& writer) {
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setTitle("Configuration Report");
    writer.setCreator("Tessaro");
}

void LayOutForPdf(QTextDocument& document, const std::string& html, QPdfWriter& writer) {
    document.setHtml(QString::fromLatin1(html.data(), static_cast<qsizetype>(html.size())));
    // Laid out on the writer itself, one page per writer page: what the layout shows is what
    // the PDF holds (the page margins are the writer's).
    document.documentLayout()->setPaintDevice(&writer);
    QTextFrameFormat root = document.rootFrame()->frameFormat();
    root.setMargin(0);
    document.rootFrame()->setFrameFormat(root);
    document.setPageSize(QSizeF(writer.width(), writer.height()));
}

bool PrintHtmlToPdf(const std::string& html, const std::string& pdfPath) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        SetUpPdfWriter(writer);
        QTextDocument document;
        LayOutForPdf(document, html, writer);
        document.print(&writer);
    }
    const QByteArray bytes = buffer.data();
    if (bytes.isEmpty()) return false;
    return platform::WriteFileAtomically(pdfPath, std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
}

}  // namespace report
