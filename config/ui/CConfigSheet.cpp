#include "config/ui/CConfigSheet.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "config/ui/ConfigPages.h"

namespace config {

CConfigSheet::CConfigSheet(CConfigData& record, const SheetTarget& target, QWidget* parent)
    : QDialog(parent), record_(record), target_(target) {
    setWindowTitle(QString::fromStdString("Configure" + target.deviceSuffix));
    outcome_.close = false;
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    layout->addWidget(tabs_);

    auto add = [this](CConfigPage* page, const QString& title) {
        page->setObjectName(title);
        page->Load(record_);
        tabs_->addTab(page, title);
        pages_.push_back(page);
    };
    add(new CGeneralPage(target_, this), "General");
    add(new CPositionPage(this), "Position");
    add(new CActuatorPage(this), "Actuator");
    add(new CAoBlockPage(this), "AO Block");
    if (HasControllerPage(record_)) add(new CControllerPage(this), "Controller");
    add(new COptionPage(target_, this), "Option");

    // OK and Cancel only: changes are applied once, when the sheet closes.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CConfigSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(760, 560);
}

CConfigPage* CConfigSheet::Page(const QString& title) const {
    for (CConfigPage* page : pages_)
        if (page->objectName() == title) return page;
    return nullptr;
}

void CConfigSheet::accept() {
    if (applying_) return;
    SheetEdits edits{record_, {}};
    for (CConfigPage* page : pages_) {
        if (!page->Save(edits)) {
            tabs_->setCurrentWidget(page);
            page->FocusFailed();
            return;
        }
    }
    // The bus work runs while the window keeps serving its events: no second OK meanwhile.
    applying_ = true;
    setEnabled(false);
    const SheetOutcome outcome = ApplyConfigSheet(edits, record_, target_);
    setEnabled(true);
    applying_ = false;
    if (!outcome.close) return;
    outcome_ = outcome;
    QDialog::accept();
}

void CConfigSheet::reject() {
    if (applying_) return;
    QDialog::reject();
}

}  // namespace config
