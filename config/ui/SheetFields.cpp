#include "config/ui/SheetFields.h"

#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QListWidget>
#include <charconv>

#include "platform/Ui.h"
#include "values/ValueCodec.h"
#include "values/ui/QtDialogExchange.h"

namespace config {

namespace {

constexpr int kFieldId = 1;

// Shows `message` and selects the field.
bool Refuse(QLineEdit* edit, const std::string& message) {
    platform::ShowMessage(message);
    edit->setFocus();
    edit->selectAll();
    return false;
}

}  // namespace

QString DisplayText(const std::string& text, bool unit) {
    return QString::fromLatin1(unit ? values::ValueCodec::Instance().UnitToDisplay(text) : text);
}

void FloatField::Show(float value) {
    shown_ = value;
    shownText_ = QString::fromStdString(values::FloatToText(value));
    edit_->setText(shownText_);
}

bool FloatField::Changed() const { return edit_->text() != shownText_; }

bool FloatField::Read(float& value, const FloatRange& range) const {
    if (!Changed()) {
        value = shown_;
        return true;
    }
    values::ValueCodec& codec = values::ValueCodec::Instance();
    values::QtDialogExchange dx(true);
    dx.AddField(kFieldId, edit_);
    float parsed = 0.0f;
    if (!codec.ParseFloatField(dx, kFieldId, parsed)) return false;
    const bool ok = range.hasSpecial
                        ? codec.ValidateRangeOrSpecial(dx, parsed, range.min, range.max, range.special)
                        : codec.ValidateRange(dx, parsed, range.hasMin, range.min, range.hasMax, range.max);
    if (!ok) return false;
    value = parsed;
    return true;
}

bool ReadPair(const FloatField& low, const FloatField& high, float& lowValue, float& highValue, float min, float max) {
    if (!low.Read(lowValue, FloatRange::Between(min, max)) || !high.Read(highValue, FloatRange::Between(min, max)))
        return false;
    if (!low.Changed() && !high.Changed()) return true;  // as the record holds them
    const bool editingFirst = low.Changed();
    const std::string message = values::PairMessage(editingFirst, lowValue, highValue, false, 0.0f, min, max);
    if (message.empty()) return true;
    return Refuse(editingFirst ? low.Edit() : high.Edit(), message);
}

void TextField::Show(const std::string& text) {
    shown_ = text;
    shownText_ = DisplayText(text);
    edit_->setMaxLength(32);
    edit_->setText(shownText_);
}

void TextField::Read(std::string& text) const {
    if (edit_->text() == shownText_) {
        text = shown_;
        return;
    }
    text = edit_->text().trimmed().toLatin1().toStdString();
}

void CountField::Show(uint32_t value) {
    shown_ = value;
    shownText_ = QString::number(value);
    edit_->setText(shownText_);
}

bool CountField::Read(uint32_t& value) const {
    if (edit_->text() == shownText_) {
        value = shown_;
        return true;
    }
    const std::string text = edit_->text().trimmed().toStdString();
    uint32_t parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return Refuse(edit_, "Please enter a whole number from 0 to 4294967295.");
    value = parsed;
    return true;
}

QString DateField::Text(const ConfigDate& d) {
    return QString::fromStdString(platform::Format("%02u/%02u/%02u %02u:%02u:%02u", d.month, d.dayOfMonth, d.year,
                                                   d.hours, d.minutes, d.seconds));
}

bool DateField::Parse(const QString& text, ConfigDate& date) {
    unsigned month = 0, day = 0, year = 0, hours = 0, minutes = 0, seconds = 0;
    char rest = 0;
    const std::string s = text.trimmed().toStdString();
    const int n = std::sscanf(s.c_str(), "%2u/%2u/%2u %2u:%2u:%2u%c", &month, &day, &year, &hours, &minutes,
                              &seconds, &rest);
    if (n != 6 || hours > 23 || minutes > 59 || seconds > 59) return false;
    ConfigDate parsed;
    if (month != 0 || day != 0 || year != 0) {
        // The device counts years from 1900 in two digits.
        const QDate calendar(1900 + static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
        if (!calendar.isValid()) return false;
        parsed.dayOfWeek = static_cast<uint8_t>(calendar.dayOfWeek());
    }
    parsed.month = static_cast<uint8_t>(month);
    parsed.dayOfMonth = static_cast<uint8_t>(day);
    parsed.year = static_cast<uint8_t>(year);
    parsed.hours = static_cast<uint8_t>(hours);
    parsed.minutes = static_cast<uint8_t>(minutes);
    parsed.seconds = static_cast<uint8_t>(seconds);
    parsed.milliseconds = static_cast<uint16_t>(seconds * 1000);
    date = parsed;
    return true;
}

void DateField::Show(const ConfigDate& date) {
    shown_ = date;
    shownText_ = Text(date);
    edit_->setText(shownText_);
}

bool DateField::Read(ConfigDate& date) const {
    if (edit_->text() == shownText_) {
        date = shown_;
        return true;
    }
    ConfigDate parsed = shown_;
    if (!Parse(edit_->text(), parsed)) return Refuse(edit_, "Please enter the date as MM/DD/YY hh:mm:ss.");
    parsed.summerTime = shown_.summerTime;
    date = parsed;
    return true;
}

int ChoiceField::Index() const { return box_->currentIndex(); }

void ChoiceField::Fill(const std::vector<std::string>& texts, bool units) {
    box_->clear();
    for (const std::string& text : texts) box_->addItem(DisplayText(text, units));
}

void ChoiceField::Select(int index) {
    shownIndex_ = index;
    box_->setCurrentIndex(index);
}

FlagField::FlagField(QComboBox* box, const char* text0, const char* text1) : box_(box) {
    box_->addItem(text0);
    box_->addItem(text1);
}

void FlagField::Show(uint32_t flag) {
    shown_ = flag;
    shownIndex_ = flag == 1 ? 1 : 0;
    box_->setCurrentIndex(shownIndex_);
}

void FlagField::Read(uint32_t& flag) const {
    flag = box_->currentIndex() == shownIndex_ ? shown_ : static_cast<uint32_t>(box_->currentIndex());
}

void BitsField::Show(const ConfigBitStringField& field) {
    list_->clear();
    shown_.clear();
    for (size_t i = 0; i < field.names.size(); ++i) {
        auto* item = new QListWidgetItem(DisplayText(field.names[i]), list_);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        const bool checked = BitChecked(field, i);
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        shown_.push_back(checked);
    }
}

std::vector<bool> BitsField::Checked() const {
    std::vector<bool> checked;
    for (int i = 0; i < list_->count(); ++i) checked.push_back(list_->item(i)->checkState() == Qt::Checked);
    return checked;
}

void BitsField::Read(ConfigBitStringField& field) const {
    const std::vector<bool> checked = Checked();
    if (checked != shown_) SetCheckedBits(field, checked);
}

}  // namespace config
