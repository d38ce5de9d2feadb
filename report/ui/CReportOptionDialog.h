#pragma once
// The report command's choice: the HTML report, the text report, or the HTML report printed
// to a PDF file.
#include <QDialog>

#include "report/ReportFiles.h"

class QRadioButton;

class CReportOptionDialog : public QDialog {
    Q_OBJECT
public:
    explicit CReportOptionDialog(QWidget* parent = nullptr);
    report::ReportKind Kind() const;
    void SetKind(report::ReportKind kind);

private:
    QRadioButton* html_;
    QRadioButton* text_;
    QRadioButton* pdf_;
};
