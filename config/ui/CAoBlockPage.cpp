#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QVBoxLayout>

#include "config/ui/ConfigPages.h"

namespace config {

CAoBlockPage::CAoBlockPage(QWidget* parent) : CConfigPage(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* limits = new QGroupBox("Set Point", this);
    auto* form = new QFormLayout(limits);
    high_ = FloatField(AddLine(form, "AO Set Point High (%):", "spHigh"));
    low_ = FloatField(AddLine(form, "AO Set Point Low (%):", "spLow"));
    rateUp_ = FloatField(AddLine(form, "Up Rate Limit (%/s, 1.#INF none):", "spRateUp"));
    rateDown_ = FloatField(AddLine(form, "Down Rate Limit (%/s, 1.#INF none):", "spRateDown"));
    layout->addWidget(limits);

    auto* options = new QHBoxLayout;
    for (auto [title, name, field] : {std::tuple{"IO_OPTS", "ioOptions", &ioOptions_},
                                      std::tuple{"STATUS_OPTS", "statusOptions", &statusOptions_}}) {
        auto* box = new QGroupBox(title, this);
        auto* inner = new QVBoxLayout(box);
        auto* list = new QListWidget(box);
        list->setObjectName(name);
        inner->addWidget(list);
        *field = BitsField(list);
        options->addWidget(box);
    }
    layout->addLayout(options, 1);
}

void CAoBlockPage::Load(const CConfigData& data) {
    const AoBlockGroup& ao = data.ao;
    high_.Show(ao.spHighLimit);
    low_.Show(ao.spLowLimit);
    rateUp_.Show(ao.spRateUp);
    rateDown_.Show(ao.spRateDown);
    ioOptions_.Show(ao.ioOptions);
    statusOptions_.Show(ao.statusOptions);
}

bool CAoBlockPage::Save(SheetEdits& edits) {
    AoBlockGroup& ao = edits.data.ao;
    if (!Read(high_, ao.spHighLimit, FloatRange::Any()) || !Read(low_, ao.spLowLimit, FloatRange::Any()) ||
        !Read(rateUp_, ao.spRateUp, FloatRange::AtLeast(0.0f)) ||
        !Read(rateDown_, ao.spRateDown, FloatRange::AtLeast(0.0f)))
        return false;
    ioOptions_.Read(ao.ioOptions);
    statusOptions_.Read(ao.statusOptions);
    return true;
}

}  // namespace config
