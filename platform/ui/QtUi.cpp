#include "platform/ui/QtUi.h"

#include <QApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include "platform/ui/QtProgressWindow.h"

namespace platform {
namespace {

struct ButtonSpec {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonSpec> ButtonsFor(int set) {
    switch (set) {
        case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
        case MB_ABORTRETRYIGNORE:
            return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
        case MB_YESNOCANCEL:
            return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
        case MB_RETRYCANCEL: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
        default: return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon IconFor(int icon) {
    switch (icon) {
        case MB_ICONSTOP: return QMessageBox::Critical;
        case MB_ICONQUESTION: return QMessageBox::Question;
        case MB_ICONWARNING: return QMessageBox::Warning;
        case MB_ICONINFORMATION: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

}  // namespace

QtUi::QtUi() {
    SetUi(this);
    if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
}

bool QtUi::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat()) {
            if (event->type() == QEvent::KeyPress)
                keysDown_.insert(key->key());
            else
                keysDown_.erase(key->key());
        }
    }
    return QObject::eventFilter(watched, event);
}
QtUi::~QtUi() { SetUi(nullptr); }

int QtUi::MessageBox(const std::string& text, const std::string& caption, int flags) {
    QWidget* parent = mainWindow_ ? mainWindow_.data() : QApplication::activeWindow();
    QMessageBox box(IconFor(IconOf(flags)), QString::fromStdString(caption),
                    QString::fromLatin1(text.c_str()).replace("\r\n", "\n"), QMessageBox::NoButton, parent);
    const auto buttons = ButtonsFor(ButtonsOf(flags));
    QMessageBox::StandardButtons all;
    for (const auto& b : buttons) all |= b.button;
    box.setStandardButtons(all);
    size_t def = static_cast<size_t>(DefaultOf(flags) >> 8);
    if (def >= buttons.size()) def = 0;
    box.setDefaultButton(buttons[def].button);
    const int clicked = box.exec();
    for (const auto& b : buttons)
        if (clicked == b.button) return b.answer;
    // Closed with Escape or the title bar: Cancel where the set has it, No for Yes/No,
    // otherwise the only button.
    for (const auto& b : buttons)
        if (b.answer == IDCANCEL) return IDCANCEL;
    return ButtonsOf(flags) == MB_YESNO ? IDNO : buttons.back().answer;
}

void QtUi::Beep(unsigned, unsigned) { QApplication::beep(); }

void QtUi::PumpMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents, 50); }

bool QtUi::ServesEventsHere() const {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

bool QtUi::IsKeyDown(Key key) {
    const Qt::KeyboardModifiers mods = QGuiApplication::queryKeyboardModifiers();
    switch (key) {
        case Key::Shift: return mods & Qt::ShiftModifier;
        case Key::Control: return mods & Qt::ControlModifier;
        case Key::Escape: return keysDown_.count(Qt::Key_Escape) != 0;
        case Key::F: return keysDown_.count(Qt::Key_F) != 0;
    }
    return false;
}

void QtUi::BeginWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
void QtUi::EndWaitCursor() { QApplication::restoreOverrideCursor(); }

std::unique_ptr<ProgressWindow> QtUi::CreateProgressWindow(const std::string& caption, const std::string& buttonText) {
    QWidget* parent = mainWindow_ ? mainWindow_.data() : QApplication::activeWindow();
    return std::make_unique<QtProgressWindow>(caption, buttonText, parent);
}

}  // namespace platform

namespace platform {

int QtUi::PickFromList(const std::string& caption, const std::string& prompt, const std::vector<std::string>& items) {
    QStringList list;
    for (const auto& item : items) list << QString::fromStdString(item);
    QWidget* parent = mainWindow_ ? mainWindow_.data() : QApplication::activeWindow();
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, QString::fromStdString(caption),
                                                 QString::fromStdString(prompt), list, 0, false, &ok);
    return ok ? static_cast<int>(list.indexOf(chosen)) : -1;
}

}  // namespace platform
