#pragma once
// The layout the user dialogs share: the fields on the left, an "&OK" / "&Cancel" column on
// the right. OK runs `onOk` (which accepts the dialog when the entries are good); Cancel
// rejects it.
#include <QDialog>
#include <functional>

class QLayout;
class QLineEdit;
class QVBoxLayout;

namespace logon {

void LayOutWithOkCancel(QDialog* dialog, QWidget* fields, const std::function<void()>& onOk);
void LayOutWithOkCancel(QDialog* dialog, QLayout* fields, const std::function<void()>& onOk);
// A column of "&OK" (the default button, runs `onOk`) and a second button that rejects the
// dialog, with room below.
QVBoxLayout* NewButtonColumn(QDialog* dialog, const char* secondText, const char* secondName,
                             const std::function<void()>& onOk);
// A password entry field with the given object name.
QLineEdit* NewPasswordEdit(const char* objectName);

}  // namespace logon
