#pragma once
// The "Signature" page of the diagnostics window: the kinds to measure, GO, SHOW (the graph
// window), the notes that go with the measurements, and the modeless progress window and
// signature graph window of a run. The logic is SignaturePage; this is its window.
#include <QPointer>
#include <QWidget>
#include <memory>

#include "diagnostics/SignaturePage.h"
#include "diagnostics/SignatureSelection.h"
#include "fieldbus/DeviceAccess.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace graphs {
class CSignatureGraphDlg;
}

namespace diagnostics {

class CSignatureProgressDlg;

class CDiagSignaturePage : public QWidget, public SignaturePageView {
    Q_OBJECT
public:
    // `device` null: no device (nothing can be measured). `runner`: how bus work runs (empty:
    // on a helper thread while this thread keeps serving events).
    CDiagSignaturePage(fieldbus::DeviceAccess* device, const std::string& tag, QWidget* parent = nullptr,
                       config::BusRunner runner = {});
    ~CDiagSignaturePage() override;

    SignaturePage& Logic() { return logic_; }
    QPushButton* GoButton() const { return go_; }
    QPushButton* ShowButton() const { return show_; }
    QCheckBox* KindBox(int kind) const;
    QCheckBox* AllBox() const { return all_; }
    QCheckBox* PcControlledBox() const { return pc_; }
    QPushButton* SettingsButton() const { return settings_; }
    QPlainTextEdit* Notes() const { return notes_; }
    CSignatureProgressDlg* ProgressWindow() const;
    graphs::CSignatureGraphDlg* GraphWindow() const;

    void OnGo();
    void OnShow();
    // "Change Measurement Setting": the settings sheet of the selected kinds.
    void OnChangeSettings();
    // Before the page closes or its window shows another page: false keeps it.
    bool CanLeave() { return logic_.CanLeave(); }

    // ---- SignaturePageView ----
    bool OpenProgress(bool severalKinds) override;
    void ShowProgress() override;
    void UpdateProgress(const SignatureProgressUpdate& update) override;
    void CloseProgress() override;
    void EnablePage(bool enable) override;
    void EnableControls(bool go, bool others) override;
    int CloseGraph() override;
    int AddToGraph(const CSignatureData& record) override;
    void RedrawGraph() override;
    void ShowLoadingNotice(bool show) override;
    void StartLoadTimer(uint32_t ms) override;

private:
    void UpdateSelection();
    // The boxes as the selection rules have them.
    void ShowSelection();
    graphs::CSignatureGraphDlg* Graph();

    config::BusRunner runner_;
    SignaturePage logic_;
    std::shared_ptr<SignatureProcedure> procedure_;
    std::string tag_;
    bool measures_ = false;  // the device measures signatures itself
    SignatureSelection selection_;
    bool syncing_ = false;   // the boxes are being set from the selection
    bool busy_ = false;      // GO is at work
    bool settingsRead_ = false;
    QCheckBox* all_ = nullptr;
    QCheckBox* kinds_[5] = {};
    QCheckBox* pc_ = nullptr;
    QPushButton* go_ = nullptr;
    QPushButton* show_ = nullptr;
    QPushButton* settings_ = nullptr;
    QPlainTextEdit* notes_ = nullptr;
    QLabel* note_ = nullptr;
    QLabel* loading_ = nullptr;
    QTimer* loadTimer_ = nullptr;
    QPointer<CSignatureProgressDlg> progress_;
    QPointer<graphs::CSignatureGraphDlg> graph_;
};

}  // namespace diagnostics
