#include "app/CTagAddressDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

CTagAddressDialog::CTagAddressDialog(const QString& tag, bool offerAddress, int address, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Tag/Address");
    auto* form = new QFormLayout(this);
    tag_ = new QLineEdit(tag, this);
    tag_->setMaxLength(32);
    address_ = new QComboBox(this);
    address_->addItem("(select)", -1);
    // The addresses a field device may use: 0x10 to 0xF7.
    for (int a = 0x10; a <= 0xF7; ++a) address_->addItem(QString("0x%1 (%2)").arg(a, 2, 16, QChar('0')).arg(a), a);
    if (offerAddress) address_->setCurrentIndex(address_->findData(address));
    form->addRow("Device &tag:", tag_);
    form->addRow("Node &address:", address_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CTagAddressDialog::Tag() const { return tag_->text(); }
int CTagAddressDialog::Address() const { return address_->currentData().toInt(); }
