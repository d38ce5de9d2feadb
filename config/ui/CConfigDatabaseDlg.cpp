#include "config/ui/CConfigDatabaseDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace config {

namespace {

// The host's descriptive texts of an entry, in the order it reports them.
const char* const kTextLabels[7] = {"Device tag:", "Device ID:", "Block:", "List:", "Saved by:", "Saved on:", "Host:"};

QString Title(DatabaseDialogs::Kind kind) {
    switch (kind) {
        case DatabaseDialogs::Kind::Save: return "Save Configuration Data to Database";
        case DatabaseDialogs::Kind::Load: return "Load Configuration Data from Database";
        case DatabaseDialogs::Kind::Delete: return "Delete Configuration Data from Database";
    }
    return {};
}

}  // namespace

CConfigDatabaseDlg::CConfigDatabaseDlg(DatabaseDialogs::Kind kind, const std::vector<HostEntry>& entries,
                                       QWidget* parent)
    : QDialog(parent), kind_(kind), entries_(entries) {
    setWindowTitle(Title(kind));
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    layout->addLayout(columns);

    list_ = new QTreeWidget(this);
    list_->setObjectName("dataSets");
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({"Saved data", "Saved on"});
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->setMinimumWidth(300);
    for (const HostEntry& entry : entries_) {
        auto* item = new QTreeWidgetItem(list_, {QString::fromStdString(entry.name), QString::fromStdString(entry.texts[5])});
        item->setToolTip(0, QString::fromStdString(entry.name));
    }
    columns->addWidget(list_, 1);

    auto* details = new QGroupBox("Selected data", this);
    auto* form = new QFormLayout(details);
    for (int i = 0; i < 7; ++i) {
        texts_[i] = new QLabel(details);
        texts_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        texts_[i]->setMinimumWidth(160);
        form->addRow(kTextLabels[i], texts_[i]);
    }
    columns->addWidget(details);

    if (kind == DatabaseDialogs::Kind::Save) {
        auto* nameRow = new QFormLayout;
        name_ = new QLineEdit(this);
        name_->setObjectName("dataName");
        name_->setMaxLength(63);  // the host keeps names of up to 63 characters
        nameRow->addRow("Save as &name:", name_);
        layout->addLayout(nameRow);
    }

    auto* buttons = new QDialogButtonBox(this);
    const char* okText = kind == DatabaseDialogs::Kind::Save   ? "&Save"
                         : kind == DatabaseDialogs::Kind::Load ? "&Load"
                                                               : "&Delete";
    ok_ = buttons->addButton(okText, QDialogButtonBox::AcceptRole);
    ok_->setObjectName("okButton");
    buttons->addButton(kind == DatabaseDialogs::Kind::Delete ? QDialogButtonBox::Close : QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { ShowSelected(); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (kind_ == DatabaseDialogs::Kind::Load) accept();
    });
    resize(680, 360);
}

void CConfigDatabaseDlg::ShowSelected() {
    const int row = list_->currentItem() != nullptr ? list_->indexOfTopLevelItem(list_->currentItem()) : -1;
    const HostEntry* entry = row >= 0 && row < static_cast<int>(entries_.size()) ? &entries_[static_cast<size_t>(row)]
                                                                                : nullptr;
    for (int i = 0; i < 7; ++i)
        texts_[i]->setText(entry != nullptr ? QString::fromStdString(entry->texts[static_cast<size_t>(i)]) : QString());
    if (name_ != nullptr && entry != nullptr) name_->setText(QString::fromStdString(entry->name));
}

QString CConfigDatabaseDlg::Name() const {
    if (name_ != nullptr) return name_->text();
    QTreeWidgetItem* item = list_->currentItem();
    if (item == nullptr) return {};
    const int row = list_->indexOfTopLevelItem(item);
    return row >= 0 && row < static_cast<int>(entries_.size())
               ? QString::fromStdString(entries_[static_cast<size_t>(row)].name)
               : QString();
}

bool QtDatabaseDialogs::Show(Kind kind, const std::vector<HostEntry>& entries, std::string& name) {
    CConfigDatabaseDlg dialog(kind, entries, parent_);
    if (dialog.exec() != QDialog::Accepted) return false;
    name = dialog.Name().toStdString();
    return true;
}

}  // namespace config
