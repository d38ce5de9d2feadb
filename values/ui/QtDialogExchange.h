#pragma once
// The dialog side of numeric entry over a dialog's line edits, keyed by control id. A dialog
// builds one per transfer (loading its fields or saving them) and asks Failed() afterwards;
// a failed save leaves the dialog open with the offending field selected.
#include <map>
#include <string>

#include "values/ValueCodec.h"

class QLineEdit;

namespace values {

class QtDialogExchange : public DialogExchange {
public:
    explicit QtDialogExchange(bool saving) : saving_(saving) {}

    void AddField(int controlId, QLineEdit* field) { fields_[controlId] = field; }
    bool Failed() const { return failed_; }
    int LastControl() const { return lastControl_; }

    bool IsSaving() const override { return saving_; }
    std::string FieldText(int controlId) const override;
    void SetFieldText(int controlId, const std::string& text) override;
    bool ParseFloat(int controlId, float& value) override;
    void ShowFloat(int controlId, float value) override;
    void Fail() override;

    // The framework's float parse: optional blanks around one decimal number (no
    // infinities, NaNs or out-of-range magnitudes). Exposed for tests.
    static bool ParseFloatText(const std::string& text, float& value);

private:
    QLineEdit* Field(int controlId) const;

    bool saving_;
    bool failed_ = false;
    mutable int lastControl_ = -1;
    std::map<int, QLineEdit*> fields_;
};

}  // namespace values
