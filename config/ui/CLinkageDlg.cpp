#include "config/ui/CLinkageDlg.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/Ui.h"
#include "values/ui/QtDialogExchange.h"

namespace config {

namespace {
enum FieldId { IdS = 1, IdT, IdL1, IdL2, IdL3 };
}  // namespace

CLinkageDlg::CLinkageDlg(bool inch, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Linkage Calculator");
    auto* layout = new QVBoxLayout(this);

    auto* type = new QGroupBox("Linkage", this);
    auto* typeRow = new QHBoxLayout(type);
    simple_ = new QRadioButton("Simple &lever", type);
    withLink_ = new QRadioButton("Lever with lin&k", type);
    withLink_->setObjectName("leverWithLink");
    typeRow->addWidget(simple_);
    typeRow->addWidget(withLink_);
    auto* types = new QButtonGroup(this);
    types->addButton(simple_);
    types->addButton(withLink_);
    layout->addWidget(type);

    auto* form = new QFormLayout;
    auto line = [&](const char* name, const QString& label, const QString& text) {
        auto* edit = new QLineEdit(text, this);
        edit->setObjectName(name);
        form->addRow(label, edit);
        return edit;
    };
    unit_ = new QComboBox(this);
    unit_->setObjectName("unit");
    unit_->addItems({"inch", "mm"});
    unit_->setCurrentIndex(inch ? 0 : 1);
    form->addRow("&Unit:", unit_);
    s_ = line("S", "&S  actuator stroke:", "4");
    t_ = line("T", "&T  set point offset (% of stroke):", "0");
    l1_ = line("L1", "L&1  lever length:", "4");
    l2_ = line("L2", "L&2  link length:", "4");
    l3_ = line("L3", "L&3  pivot offset (up to 2 x L1):", "4");
    layout->addLayout(form);

    auto* orientation = new QGroupBox("Orientation", this);
    auto* orientationRow = new QHBoxLayout(orientation);
    straight_ = new QRadioButton("Link &above the lever", orientation);
    mirrored_ = new QRadioButton("Link &below the lever", orientation);
    mirrored_->setObjectName("mirrored");
    orientationRow->addWidget(straight_);
    orientationRow->addWidget(mirrored_);
    auto* orientations = new QButtonGroup(this);
    orientations->addButton(straight_);
    orientations->addButton(mirrored_);
    layout->addWidget(orientation);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CLinkageDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    simple_->setChecked(true);
    straight_->setChecked(true);
    connect(withLink_, &QRadioButton::toggled, this, &CLinkageDlg::UpdateEnabled);
    UpdateEnabled();
}

QLineEdit* CLinkageDlg::Field(const char* name) const { return findChild<QLineEdit*>(name); }

void CLinkageDlg::UpdateEnabled() {
    const bool link = withLink_->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(l2_), static_cast<QWidget*>(l3_), static_cast<QWidget*>(straight_),
                       static_cast<QWidget*>(mirrored_)})
        w->setEnabled(link);
}

void CLinkageDlg::accept() {
    LinkageInput input;
    input.inch = unit_->currentIndex() == 0 ? 1 : 0;
    input.mirrored = mirrored_->isChecked() ? 1 : 0;
    input.type = withLink_->isChecked() ? LinkageType::LeverWithLink : LinkageType::SimpleLever;

    values::QtDialogExchange dx(true);
    struct Entry {
        int id;
        QLineEdit* edit;
        float* value;
    };
    std::vector<Entry> entries{{IdS, s_, &input.S}, {IdT, t_, &input.T}, {IdL1, l1_, &input.L1}};
    if (input.type == LinkageType::LeverWithLink) {
        entries.push_back({IdL2, l2_, &input.L2});
        entries.push_back({IdL3, l3_, &input.L3});
    }
    for (const Entry& e : entries) dx.AddField(e.id, e.edit);
    for (const Entry& e : entries) {
        if (!dx.ParseFloat(e.id, *e.value)) {
            dx.Fail();
            return;
        }
    }
    const std::string refusal = CheckLinkageInput(input);
    if (!refusal.empty()) {
        platform::ShowMessage(refusal);
        return;
    }
    LinkageResult result;
    if (!CalculateLinkage(input, result)) {
        platform::ShowMessage(LinkageConstraintsError(), platform::MB_OK | platform::MB_ICONSTOP);
        return;
    }
    platform::ShowMessage(RotationNote(result.rotationDegrees), platform::MB_OK | platform::MB_ICONINFORMATION);
    result_ = result;
    QDialog::accept();
}

}  // namespace config
