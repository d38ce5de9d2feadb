#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

#include "config/ui/ConfigPages.h"

namespace config {

void CConfigPage::FocusFailed() {
    if (failed_ == nullptr) return;
    failed_->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(failed_)) edit->selectAll();
}

bool CConfigPage::Refused(QWidget* field) {
    failed_ = field;
    return false;
}

QLineEdit* CConfigPage::AddLine(QFormLayout* form, const QString& label, const QString& name) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    form->addRow(label, edit);
    return edit;
}

QComboBox* CConfigPage::AddCombo(QFormLayout* form, const QString& label, const QString& name) {
    auto* box = new QComboBox(this);
    box->setObjectName(name);
    form->addRow(label, box);
    return box;
}

bool CConfigPage::Read(const FloatField& field, float& value, const FloatRange& range) {
    return field.Read(value, range) || Refused(field.Edit());
}

bool CConfigPage::Read(const CountField& field, uint32_t& value) {
    return field.Read(value) || Refused(field.Edit());
}

}  // namespace config
