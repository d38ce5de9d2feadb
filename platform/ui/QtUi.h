#pragma once
// The Qt adapter of the Ui port: real message boxes, beeps, the event loop and cursors.
#include <QPointer>
#include <QWidget>
#include <set>

#include "platform/Ui.h"

namespace platform {

class QtUi : public Ui, public QObject {
public:
    QtUi();  // installs itself as the process Ui
    ~QtUi() override;

    // Message boxes are parented to this window (the main frame) when it is set.
    void SetMainWindow(QWidget* window) { mainWindow_ = window; }

    int MessageBox(const std::string& text, const std::string& caption, int flags) override;
    void Beep(unsigned hz, unsigned ms) override;
    void PumpMessages() override;
    bool ServesEventsHere() const override;
    bool IsKeyDown(Key key) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    std::unique_ptr<ProgressWindow> CreateProgressWindow(const std::string& caption,
                                                         const std::string& buttonText) override;
    int PickFromList(const std::string& caption, const std::string& prompt,
                     const std::vector<std::string>& items) override;

protected:
    // Keeps track of the keys held down (modifiers are asked from the system).
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> mainWindow_;
    std::set<int> keysDown_;
};

}  // namespace platform
