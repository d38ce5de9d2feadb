#include "values/ui/QtDialogExchange.h"

#include <QLineEdit>
#include <charconv>
#include <cmath>

#include "platform/Ui.h"

namespace values {

QLineEdit* QtDialogExchange::Field(int controlId) const {
    lastControl_ = controlId;
    const auto it = fields_.find(controlId);
    return it == fields_.end() ? nullptr : it->second;
}

std::string QtDialogExchange::FieldText(int controlId) const {
    QLineEdit* field = Field(controlId);
    return field ? field->text().toStdString() : std::string();
}

void QtDialogExchange::SetFieldText(int controlId, const std::string& text) {
    if (QLineEdit* field = Field(controlId)) field->setText(QString::fromStdString(text));
}

bool QtDialogExchange::ParseFloatText(const std::string& text, float& value) {
    size_t begin = 0, end = text.size();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    if (begin < end && text[begin] == '+') {  // strtod accepts a plus sign, from_chars does not
        ++begin;
        if (begin < end && text[begin] == '-') return false;
    }
    if (begin == end) return false;
    const char first = text[begin] == '-' && begin + 1 < end ? text[begin + 1] : text[begin];
    if (!(first >= '0' && first <= '9') && first != '.') return false;  // rules out "inf" and "nan"
    float parsed = 0.0f;
    const auto [ptr, ec] = std::from_chars(text.data() + begin, text.data() + end, parsed);
    if (ec != std::errc() || ptr != text.data() + end || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool QtDialogExchange::ParseFloat(int controlId, float& value) {
    if (ParseFloatText(FieldText(controlId), value)) return true;
    platform::ShowMessage("Please enter a number.");
    return false;
}

void QtDialogExchange::ShowFloat(int controlId, float value) { SetFieldText(controlId, FloatToText(value)); }

void QtDialogExchange::Fail() {
    failed_ = true;
    const auto it = fields_.find(lastControl_);
    if (it == fields_.end() || it->second == nullptr) return;
    it->second->setFocus();
    it->second->selectAll();
}

}  // namespace values
