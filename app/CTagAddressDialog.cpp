#include "app/CTagAddressDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

CTagAddressDialog::CTagAddressDialog(const QString& tag, const std::vector<uint8_t>& offered, bool offerCurrent,
                                     int address, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Tag/Address");
    auto* form = new QFormLayout(this);
    tag_ = new QLineEdit(tag, this);
    tag_->setMaxLength(32);
    address_ = new QComboBox(this);
    address_->addItem("(select)", -1);
    for (uint8_t a : offered) {
        const bool current = offerCurrent && a == address;
        address_->addItem(QString("0x%1 (%2)%3").arg(a, 2, 16, QChar('0')).arg(a).arg(current ? "  current" : ""), a);
    }
    if (offerCurrent) address_->setCurrentIndex(std::max(0, address_->findData(address)));
    auto* hint = new QLabel("Only addresses free on this link are offered (in use by another device, or in the "
                            "link's unpolled range, they are left out).",
                            this);
    hint->setWordWrap(true);
    hint->setObjectName("addressHint");
    form->addRow("Device &tag:", tag_);
    form->addRow("Node &address:", address_);
    form->addRow(hint);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CTagAddressDialog::Tag() const { return tag_->text(); }
int CTagAddressDialog::Address() const { return address_->currentData().toInt(); }
