#include "report/ui/CReportOptionDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

CReportOptionDialog::CReportOptionDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Configuration Report");
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox("Report format", this);
    auto* choices = new QVBoxLayout(group);
    html_ = new QRadioButton("&HTML report (opens in the web browser)", group);
    text_ = new QRadioButton("&Text report", group);
    pdf_ = new QRadioButton("Export &PDF (the HTML report as a PDF file)", group);
    html_->setObjectName("reportHtml");
    text_->setObjectName("reportText");
    pdf_->setObjectName("reportPdf");
    for (QRadioButton* b : {html_, text_, pdf_}) choices->addWidget(b);
    html_->setChecked(true);
    layout->addWidget(group);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

report::ReportKind CReportOptionDialog::Kind() const {
    if (text_->isChecked()) return report::ReportKind::Text;
    if (pdf_->isChecked()) return report::ReportKind::Pdf;
    return report::ReportKind::Html;
}

void CReportOptionDialog::SetKind(report::ReportKind kind) {
    (kind == report::ReportKind::Text ? text_ : kind == report::ReportKind::Pdf ? pdf_ : html_)->setChecked(true);
}
