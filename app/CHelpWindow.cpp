#include "app/CHelpWindow.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

CHelpWindow::CHelpWindow(const QString& indexPage, QWidget* parent) : QDialog(parent, Qt::Window) {
    setWindowTitle("Tessaro Help");
    setObjectName("helpWindow");
    browser_ = new QTextBrowser(this);
    browser_->setObjectName("helpBrowser");
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    browser_->setSource(QUrl::fromLocalFile(indexPage));
    auto* back = new QPushButton("&Back", this);
    auto* forward = new QPushButton("&Forward", this);
    auto* home = new QPushButton("&Contents", this);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(home, &QPushButton::clicked, browser_, &QTextBrowser::home);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    back->setEnabled(false);
    forward->setEnabled(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* row = new QHBoxLayout;
    row->addWidget(back);
    row->addWidget(forward);
    row->addWidget(home);
    row->addStretch(1);
    row->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_, 1);
    layout->addLayout(row);
    resize(760, 560);
}
