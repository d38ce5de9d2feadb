#pragma once
// The save-name, load and delete dialogs of the host's configuration database: the device's
// saved data sets with the texts the host keeps for the selected one, and (saving) the name
// to save under.
#include <QDialog>
#include <vector>

#include "config/HostConfigCommands.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace config {

class CConfigDatabaseDlg : public QDialog {
    Q_OBJECT
public:
    CConfigDatabaseDlg(DatabaseDialogs::Kind kind, const std::vector<HostEntry>& entries, QWidget* parent = nullptr);

    // Saving: the name typed; loading and deleting: the selected data set ("" none).
    QString Name() const;
    QTreeWidget* List() const { return list_; }
    QLineEdit* NameEdit() const { return name_; }
    QPushButton* OkButton() const { return ok_; }

private:
    void ShowSelected();

    DatabaseDialogs::Kind kind_;
    std::vector<HostEntry> entries_;
    QTreeWidget* list_ = nullptr;
    QLineEdit* name_ = nullptr;
    QLabel* texts_[7] = {};
    QPushButton* ok_ = nullptr;
};

// The dialogs above, shown modally over `parent`.
class QtDatabaseDialogs : public DatabaseDialogs {
public:
    explicit QtDatabaseDialogs(QWidget* parent) : parent_(parent) {}
    bool Show(Kind kind, const std::vector<HostEntry>& entries, std::string& name) override;

private:
    QWidget* parent_;
};

}  // namespace config
