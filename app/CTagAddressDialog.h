#pragma once
// Asks for a device's new PD tag and node address.
#include <QDialog>

class QComboBox;
class QLineEdit;

class CTagAddressDialog : public QDialog {
    Q_OBJECT
public:
    CTagAddressDialog(const QString& tag, bool offerAddress, int address, QWidget* parent = nullptr);
    QString Tag() const;
    // -1 when no address is chosen.
    int Address() const;
    QLineEdit* TagEdit() const { return tag_; }
    QComboBox* AddressBox() const { return address_; }

private:
    QLineEdit* tag_;
    QComboBox* address_;
};
