#include "app/CFailSafeStatusDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

CFailSafeStatusDialog::CFailSafeStatusDialog(fieldbus::FieldbusLink& link, QWidget* parent)
    : QDialog(parent, Qt::Window), link_(link) {
    // An ordinary window of the program: it never covers the program's own message boxes.
    setWindowTitle("Fail Safe Status");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    table_ = new QTableWidget(0, 4, this);
    table_->setHorizontalHeaderLabels({"Tag", "Address", "Present", "Positioner"});
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(table_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* refresh = buttons->addButton("&Refresh", QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    connect(refresh, &QPushButton::clicked, this, &CFailSafeStatusDialog::Refresh);
    resize(460, 300);
    Refresh();
}

void CFailSafeStatusDialog::Refresh() {
    table_->setRowCount(0);
    for (int item = 1; item < link_.DisplayItemCount(); ++item) {
        const int slot = link_.ItemDevIndexMap(item);
        const int row = table_->rowCount();
        table_->insertRow(row);
        table_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(link_.GetTag(slot))));
        table_->setItem(row, 1, new QTableWidgetItem(QString::asprintf("0x%02x", link_.GetNodeAddress(slot))));
        table_->setItem(row, 2, new QTableWidgetItem(link_.IsPresent(slot) ? "Yes" : "No"));
        table_->setItem(row, 3, new QTableWidgetItem(link_.IsPositioner(slot) ? "Yes" : "No"));
    }
}
