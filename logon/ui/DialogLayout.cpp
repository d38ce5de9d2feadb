#include "logon/ui/DialogLayout.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace logon {
namespace {

QHBoxLayout* OkCancelLayout(QDialog* dialog, const std::function<void()>& onOk) {
    auto* layout = new QHBoxLayout(dialog);
    layout->addLayout(NewButtonColumn(dialog, "&Cancel", "cancelButton", onOk));
    return layout;
}

}  // namespace

QVBoxLayout* NewButtonColumn(QDialog* dialog, const char* secondText, const char* secondName,
                             const std::function<void()>& onOk) {
    auto* ok = new QPushButton("&OK");
    ok->setObjectName("okButton");
    ok->setDefault(true);
    auto* second = new QPushButton(secondText);
    second->setObjectName(secondName);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(second);
    buttons->addStretch();
    QObject::connect(ok, &QPushButton::clicked, dialog, onOk);
    QObject::connect(second, &QPushButton::clicked, dialog, &QDialog::reject);
    return buttons;
}

void LayOutWithOkCancel(QDialog* dialog, QWidget* fields, const std::function<void()>& onOk) {
    OkCancelLayout(dialog, onOk)->insertWidget(0, fields);
}

void LayOutWithOkCancel(QDialog* dialog, QLayout* fields, const std::function<void()>& onOk) {
    OkCancelLayout(dialog, onOk)->insertLayout(0, fields);
}

QLineEdit* NewPasswordEdit(const char* objectName) {
    auto* edit = new QLineEdit;
    edit->setObjectName(objectName);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

}  // namespace logon
