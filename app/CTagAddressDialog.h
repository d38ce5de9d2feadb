#pragma once
// Asks for a device's new PD tag and node address. Only the addresses the device may take
// are offered: free on the link, outside the link's unpolled range, 0x10 to 0xF7.
#include <QDialog>
#include <cstdint>
#include <vector>

class QComboBox;
class QLineEdit;

class CTagAddressDialog : public QDialog {
    Q_OBJECT
public:
    // `offered`: the valid addresses; the current one is preselected when `offerCurrent`.
    CTagAddressDialog(const QString& tag, const std::vector<uint8_t>& offered, bool offerCurrent, int address,
                      QWidget* parent = nullptr);
    QString Tag() const;
    // -1 when no address is chosen.
    int Address() const;
    QLineEdit* TagEdit() const { return tag_; }
    QComboBox* AddressBox() const { return address_; }

private:
    QLineEdit* tag_;
    QComboBox* address_;
};
