#include "diagnostics/ui/CDiagnosticsDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "diagnostics/DiagnosticsValues.h"
#include "diagnostics/SelfCheck.h"
#include "diagnostics/ui/CDiagSignaturePage.h"

namespace diagnostics {

namespace {

QTableWidget* MakeTable(QWidget* parent, const QStringList& headers) {
    auto* table = new QTableWidget(0, headers.size(), parent);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    return table;
}

void Fill(QTableWidget* table, const std::vector<DiagnosticsLine>& lines, bool withLimit) {
    table->setRowCount(static_cast<int>(lines.size()));
    for (int row = 0; row < static_cast<int>(lines.size()); ++row) {
        const DiagnosticsLine& line = lines[static_cast<size_t>(row)];
        table->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(line.label)));
        table->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(line.value)));
        if (withLimit) table->setItem(row, 2, new QTableWidgetItem(QString::fromStdString(line.limit)));
    }
    table->resizeRowsToContents();
}

}  // namespace

CDiagnosticsDialog::CDiagnosticsDialog(fieldbus::DeviceAccess& device, const QString& title, QWidget* parent,
                                       const std::string& tag)
    : QDialog(parent), device_(device), dialogs_(this), deviceDiagnostics_(ReadDeviceDiagnostics(device)) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    auto* page = new QWidget(tabs_);
    auto* pageLayout = new QVBoxLayout(page);

    auto* check = new QGroupBox("Self Check", page);
    auto* checkLayout = new QVBoxLayout(check);
    auto* row = new QHBoxLayout;
    auto* go = new QPushButton("&GO", check);
    go->setObjectName("selfCheck");
    connect(go, &QPushButton::clicked, this, &CDiagnosticsDialog::OnSelfCheck);
    row->addWidget(go);
    row->addWidget(new QLabel("Self Check Result :", check));
    result_ = new QLabel(check);
    result_->setObjectName("selfCheckResult");
    row->addWidget(result_, 1);
    checkLayout->addLayout(row);
    measured_ = MakeTable(check, {"Measured", "Value"});
    checkLayout->addWidget(measured_);
    pageLayout->addWidget(check);

    auto* continuous = new QGroupBox("Continuous Diagnostics", page);
    auto* continuousLayout = new QVBoxLayout(continuous);
    historian_ = MakeTable(continuous, {"Valve Historian", "Total", "Limit"});
    continuousLayout->addWidget(historian_);
    auto* buttons = new QHBoxLayout;
    auto* reset = new QPushButton("&Reset...", continuous);
    reset->setObjectName("reset");
    connect(reset, &QPushButton::clicked, this, &CDiagnosticsDialog::OnReset);
    auto* refresh = new QPushButton("Re&fresh", continuous);
    connect(refresh, &QPushButton::clicked, this, &CDiagnosticsDialog::Refresh);
    buttons->addWidget(reset);
    buttons->addStretch();
    buttons->addWidget(refresh);
    continuousLayout->addLayout(buttons);
    pageLayout->addWidget(continuous);
    tabs_->addTab(page, "Self Check");
    signature_ = new CDiagSignaturePage(&device, tag, tabs_);
    tabs_->addTab(signature_, "Signature");
    // Leaving the signature page while its run goes on asks first; No stays on it.
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        if (shownTab_ == tabs_->indexOf(signature_) && index != shownTab_ && !signature_->CanLeave()) {
            QSignalBlocker block(tabs_);
            tabs_->setCurrentIndex(shownTab_);
            return;
        }
        shownTab_ = index;
    });
    layout->addWidget(tabs_);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(box);
    resize(520, 600);
    Refresh();
}

void CDiagnosticsDialog::Refresh() {
    const DiagnosticsValues values = ReadDiagnosticsValues(device_, deviceDiagnostics_);
    Fill(measured_, values.selfCheck, false);
    Fill(historian_, values.historian, true);
}

void CDiagnosticsDialog::OnSelfCheck() {
    std::string text;
    if (RunSelfCheck(device_, dialogs_, text) == 0) result_->setText(QString::fromStdString(text));
    Refresh();
}

void CDiagnosticsDialog::reject() {
    // A run is stopped only when the user says so; unsaved curves are offered for saving.
    if (!signature_->CanLeave() || signature_->CloseGraph() != 0) return;
    QDialog::reject();
}

void CDiagnosticsDialog::OnReset() {
    ResetContinuousDiagnostics(device_, deviceDiagnostics_);
    Refresh();
}

}  // namespace diagnostics
