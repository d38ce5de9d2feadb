#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "config/ui/ConfigPages.h"

namespace config {

namespace {
const char* const kTagLabels[BlockTagCount] = {"RB Tag:", "TB Tag:", "AO Tag:", "DI1 Tag:", "DI2 Tag:", "PID Tag:",
                                               "SPLT Tag:"};
const char* const kTagNames[BlockTagCount] = {"tagRB", "tagTB", "tagAO", "tagDI1", "tagDI2", "tagPID", "tagSPLT"};
constexpr uint8_t kFirstAddress = 0x10, kLastAddress = 0xF7;

QString AddressText(uint8_t address) { return QString("0x%1 (%2)").arg(address, 2, 16, QChar('0')).arg(address); }
}  // namespace

CGeneralPage::CGeneralPage(const SheetTarget& target, QWidget* parent)
    : CConfigPage(parent),
      withDevice_(target.device != nullptr),
      offered_(target.offeredAddresses),
      offerCurrent_(target.offerCurrentAddress) {
    auto* layout = new QVBoxLayout(this);
    identity_ = new QLabel(this);
    identity_->setObjectName("identity");
    identity_->setWordWrap(true);
    layout->addWidget(identity_);

    auto* device = new QGroupBox("Device", this);
    auto* form = new QFormLayout(device);
    description_ = TextField(AddLine(form, "Description (RB TAG_DESC):", "description"));
    pdTag_ = TextField(AddLine(form, "PD Tag:", "pdTag"));
    address_ = AddCombo(form, "Node Address:", "address");
    layout->addWidget(device);

    auto* blocks = new QGroupBox("Block Tags", this);
    auto* tagForm = new QFormLayout(blocks);
    for (int i = 0; i < BlockTagCount; ++i) tags_[static_cast<size_t>(i)] = TextField(AddLine(tagForm, kTagLabels[i], kTagNames[i]));
    layout->addWidget(blocks);
    layout->addStretch();
}

void CGeneralPage::Load(const CConfigData& data) {
    const GeneralGroup& g = data.general;
    identity_->setText(QString("Model %1    Device ID %2\nManufacturer %3    Type %4    Revision %5    DD Revision %6")
                           .arg(DisplayText(g.model), DisplayText(g.deviceId), DisplayText(g.manufacturerId),
                                DisplayText(g.deviceType), DisplayText(g.deviceRevision), DisplayText(g.ddRevision)));
    description_.Show(g.resourceDescription);
    pdTag_.Show(g.pdTag);

    // With a device only the addresses it may take on this link; without one, any.
    address_->clear();
    std::vector<uint8_t> choices = offered_;
    bool currentOffered = withDevice_ ? offerCurrent_ : true;
    if (!withDevice_) {
        for (unsigned a = kFirstAddress; a <= kLastAddress; ++a) choices.push_back(static_cast<uint8_t>(a));
        if (g.nodeAddress < kFirstAddress || g.nodeAddress > kLastAddress) choices.push_back(g.nodeAddress);
    }
    for (uint8_t a : choices) address_->addItem(AddressText(a), a);
    shownAddressIndex_ = currentOffered ? address_->findData(g.nodeAddress) : -1;
    address_->setCurrentIndex(shownAddressIndex_);

    for (int i = 0; i < BlockTagCount; ++i) tags_[static_cast<size_t>(i)].Show(g.blockTags[static_cast<size_t>(i)]);
    // Tags of blocks the device does not have cannot be set.
    tags_[TagSPLT].Edit()->setEnabled(g.splitterPresent != 0);
    tags_[TagPID].Edit()->setEnabled(g.pidBlockActivation != 0);
}

bool CGeneralPage::Save(SheetEdits& edits) {
    GeneralGroup& g = edits.data.general;
    description_.Read(g.resourceDescription);
    pdTag_.Read(g.pdTag);
    const int index = address_->currentIndex();
    edits.choices.addressChosen = index >= 0;
    if (index >= 0 && index != shownAddressIndex_) g.nodeAddress = static_cast<uint8_t>(address_->currentData().toUInt());
    for (int i = 0; i < BlockTagCount; ++i) tags_[static_cast<size_t>(i)].Read(g.blockTags[static_cast<size_t>(i)]);
    return true;
}

}  // namespace config
