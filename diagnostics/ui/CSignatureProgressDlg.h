#pragma once
// The modeless progress window of a signature run: the live position, pressure and AO output,
// the percent of the kind being measured on a bar, the status, the time of the last update,
// three strip curves of the values and the settings of the kind. Its cancel buttons ask first
// and then post their request to the signature page.
#include <QPointer>
#include <QWidget>

#include "diagnostics/SignaturePage.h"
#include "platform/WindowMessages.h"

class QCPGraph;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace diagnostics {

class CSignatureProgressDlg : public QWidget {
    Q_OBJECT
public:
    // `page`: where the cancel requests go. With several kinds selected (or all of them) the
    // window offers to cancel the current kind or the whole run.
    CSignatureProgressDlg(platform::WindowHandle page, bool severalKinds, bool allKinds, QWidget* parent = nullptr);

    void Update(const SignatureProgressUpdate& update);

    QLineEdit* PositionField() const { return position_; }
    QLineEdit* PressureField() const { return pressure_; }
    QLineEdit* AoField() const { return ao_; }
    QProgressBar* Bar() const { return bar_; }
    QLabel* Status() const { return status_; }
    QLabel* Updated() const { return updated_; }
    QPlainTextEdit* SettingsText() const { return settings_; }
    QCustomPlot* Chart() const { return chart_; }
    QPushButton* CancelCurrentButton() const { return cancelCurrent_; }
    QPushButton* CancelAllButton() const { return cancelAll_; }

    // The cancel buttons' work (asks, then posts to the page); true when posted.
    bool CancelCurrent();
    bool CancelAll();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    platform::WindowHandle page_;
    bool several_;
    double startS_ = -1.0;
    double highest_ = 110.0;
    QLineEdit* position_ = nullptr;
    QLineEdit* pressure_ = nullptr;
    QLineEdit* ao_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* updated_ = nullptr;
    QPlainTextEdit* settings_ = nullptr;
    QCustomPlot* chart_ = nullptr;
    QCPGraph* curves_[3] = {};
    QPushButton* cancelCurrent_ = nullptr;
    QPushButton* cancelAll_ = nullptr;
};

}  // namespace diagnostics
