#include "logon/ui/DialogLayout.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace logon {
namespace {

QHBoxLayout* OkCancelLayout(QDialog* dialog, const std::function<void()>& onOk) {
    auto* ok = new QPushButton("&OK");
    ok->setObjectName("okButton");
    ok->setDefault(true);
    auto* cancel = new QPushButton("&Cancel");
    cancel->setObjectName("cancelButton");
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(dialog);
    QObject::connect(ok, &QPushButton::clicked, dialog, onOk);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    layout->addLayout(buttons);
    return layout;
}

}  // namespace

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
