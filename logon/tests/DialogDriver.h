#pragma once
// Drives modal dialogs in offscreen Qt tests: an action queued with WhenModal runs as soon
// as a dialog of the given type is the active modal window, from inside its exec().
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace logon::testing {

template <typename Dialog>
void WhenModal(std::function<void(Dialog*)> action, int timeoutMs = 5000) {
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, action, timeoutMs]() {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
            return;
        }
        *waited += 5;
        if (*waited > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "expected dialog did not open";
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        }
    });
    timer->start();
}

inline void SetText(QWidget* dialog, const char* name, const QString& text) {
    auto* edit = dialog->findChild<QLineEdit*>(name);
    ASSERT_NE(edit, nullptr) << name;
    edit->setText(text);
}

inline void Click(QWidget* dialog, const char* name) {
    auto* button = dialog->findChild<QPushButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    ASSERT_TRUE(button->isEnabled()) << name;
    button->click();
}

}  // namespace logon::testing
