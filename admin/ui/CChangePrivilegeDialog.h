#pragma once
// "Change Privilege Dialog": shows the user name and asks for a new level from 0 to 9.
#include <QDialog>
#include <cstdint>
#include <string>

class QLineEdit;

namespace admin {

class CChangePrivilegeDialog : public QDialog {
    Q_OBJECT
public:
    CChangePrivilegeDialog(const std::string& userName, uint32_t level, QWidget* parent = nullptr);
    uint32_t Level() const { return level_; }

private slots:
    void OnOk();

private:
    QLineEdit* privilege_;
    uint32_t level_;
};

}  // namespace admin
