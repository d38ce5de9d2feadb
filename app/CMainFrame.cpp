#include "app/CMainFrame.h"

#include <QMenuBar>

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle("Tessaro");
    resize(900, 640);
    menuBar()->addMenu("&File")->addAction("E&xit", this, &QWidget::close);
}
