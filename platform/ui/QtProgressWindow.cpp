#include "platform/ui/QtProgressWindow.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace platform {

CMessageDisplayDialog::CMessageDisplayDialog(const QString& caption, const QString& buttonText, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(caption);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setMinimumSize(460, 260);
    button_ = new QPushButton(buttonText, this);
    layout->addWidget(text_);
    layout->addWidget(button_, 0, Qt::AlignHCenter);
    connect(button_, &QPushButton::clicked, this, [this] { pressed = true; });
}

void CMessageDisplayDialog::reject() { pressed = true; }

QtProgressWindow::QtProgressWindow(const std::string& caption, const std::string& buttonText, QWidget* parent)
    : dialog_(new CMessageDisplayDialog(QString::fromStdString(caption), QString::fromStdString(buttonText), parent)) {
    dialog_->setAttribute(Qt::WA_DeleteOnClose, false);
    dialog_->show();
    QCoreApplication::processEvents();
}

QtProgressWindow::~QtProgressWindow() { delete dialog_.data(); }

static QString Normalise(const std::string& text) {
    return QString::fromLatin1(text.c_str()).replace("\r\n", "\n");
}

void QtProgressWindow::AppendText(const std::string& text) {
    if (!dialog_) return;
    QPlainTextEdit* box = dialog_->TextBox();
    box->moveCursor(QTextCursor::End);
    box->insertPlainText(Normalise(text));
    box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
}

void QtProgressWindow::SetText(const std::string& text) {
    if (dialog_) dialog_->TextBox()->setPlainText(Normalise(text));
}

std::string QtProgressWindow::Text() const {
    return dialog_ ? dialog_->TextBox()->toPlainText().toStdString() : std::string();
}

void QtProgressWindow::SetButtonText(const std::string& text) {
    if (dialog_) dialog_->Button()->setText(QString::fromStdString(text));
}

void QtProgressWindow::EnableButton(bool enable) {
    if (dialog_) dialog_->Button()->setEnabled(enable);
}

bool QtProgressWindow::ButtonPressed() const { return dialog_ && dialog_->pressed; }

void QtProgressWindow::ResetButton() {
    if (dialog_) dialog_->pressed = false;
}

void QtProgressWindow::Close() {
    if (dialog_) dialog_->hide();
}

bool QtProgressWindow::IsOpen() const { return dialog_ && dialog_->isVisible(); }

}  // namespace platform
