#pragma once
// The modeless progress dialog: a growing read-only text and one button.
#include <QDialog>
#include <QPointer>

#include "platform/Ui.h"

class QPlainTextEdit;
class QPushButton;

namespace platform {

class CMessageDisplayDialog : public QDialog {
    Q_OBJECT
public:
    CMessageDisplayDialog(const QString& caption, const QString& buttonText, QWidget* parent);
    QPlainTextEdit* TextBox() const { return text_; }
    QPushButton* Button() const { return button_; }
    bool pressed = false;

protected:
    void reject() override;  // Escape / close box count as the button

private:
    QPlainTextEdit* text_;
    QPushButton* button_;
};

class QtProgressWindow : public ProgressWindow {
public:
    QtProgressWindow(const std::string& caption, const std::string& buttonText, QWidget* parent);
    ~QtProgressWindow() override;
    void AppendText(const std::string& text) override;
    void SetText(const std::string& text) override;
    std::string Text() const override;
    void SetButtonText(const std::string& text) override;
    void EnableButton(bool enable) override;
    bool ButtonPressed() const override;
    void ResetButton() override;
    void Close() override;
    bool IsOpen() const override;
    CMessageDisplayDialog* Dialog() const { return dialog_; }

private:
    QPointer<CMessageDisplayDialog> dialog_;
};

}  // namespace platform
