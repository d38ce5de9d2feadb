#pragma once
// The help pages shown inside the program, for a computer without a web browser: a simple
// browser window on the shipped pages with back, forward and home.
#include <QDialog>

class QTextBrowser;

class CHelpWindow : public QDialog {
    Q_OBJECT
public:
    CHelpWindow(const QString& indexPage, QWidget* parent = nullptr);
    QTextBrowser* Browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};
