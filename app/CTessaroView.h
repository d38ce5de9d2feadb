#pragma once
// The standalone main view: the device tree, the current device's block modes, operation
// state and key values, and the communication message box.
#include <QPointer>
#include <QWidget>
#include <map>
#include <memory>

#include "app/CFailSafeStatusDialog.h"
#include "app/QueryWindows.h"
#include "app/TrendWindows.h"
#include "app/ViewController.h"
#include "platform/WindowMessages.h"

class CTravelBar;
class QLabel;
class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;
class QTimer;


class CTessaroView : public QWidget, public app::ViewHost, public platform::MessageTarget {
    Q_OBJECT
public:
    explicit CTessaroView(fieldbus::FieldbusLink& link, QWidget* parent = nullptr);
    ~CTessaroView() override;

    app::ViewController& Controller() { return controller_; }
    fieldbus::FieldbusLink& Link() { return link_; }
    platform::WindowHandle Handle() const { return handle_; }
    // Scans the link once, the first time the view shows.
    virtual void InitialUpdate();

    // ViewHost
    void ShowDeviceTree(const std::vector<app::DeviceTreeItem>& items, int selectItem) override;
    void SelectTreeItem(int item) override;
    void SetMessageBoxText(const std::string& text) override;
    void ShowBusyText(const std::string& text) override;
    void RefreshStatusPanes() override;
    void DeviceOpened(int slot) override;
    void DeviceClosing(int slot) override;
    int OpenTrendWindowCount() const override { return trendWindows_.Count(); }
    bool HasTrendWindow(int slot) const override { return trendWindows_.Has(slot); }
    void CloseDeviceWindows(int slot) override;
    bool IsFailSafeDialogOpen() const override;
    bool AskTagAddress(const std::string& currentTag, const std::vector<uint8_t>& offered, bool offerCurrent,
                       uint8_t currentAddress, std::string& newTag, bool& hasAddress, uint8_t& newAddress) override;
    void RefreshTreeIcons(const std::vector<app::DeviceTreeItem>& items) override;
    void StartCloseWhenAlone() override;
    void SetScheduleLabels(const std::string& ao, const std::string& pid) override;
    void CompanionOpened(int slot) override;
    void ShowDeviceDisplay(const app::DeviceDisplay& display, bool companion) override;
    void ShowFailSafeDialog() override;
    void SetOfflineTimer(bool running) override;
    CFailSafeStatusDialog* FailSafeDialog() const { return failSafe_; }

    // MessageTarget
    void OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

    // Tools on the current device: the calibration sheet and the diagnostics window.
    void OnCalibrate();
    void OnDiagnostics();
    // The setup wizard on the current device, or without one.
    void OnSetupWizard();
    // The wizard page shown last (WM_WIZARD_PAGE), -1 before any.
    int WizardPage() const { return wizardPage_; }
    // Whether they can be used now (a current device that is open).
    bool CanUseDeviceTools();

    QTreeWidget* Tree() const { return tree_; }
    // Opens the trend window of the current device (or one without a device).
    void OpenTrendWindow();
    app::TrendWindows& Trends() { return trendWindows_; }
    // Opens the query window of `slot` (-1: without a device) or brings it forward.
    void OpenQueryWindow(int slot);
    app::QueryWindows& Queries() { return queryWindows_; }
    QString StatusText() const;

signals:
    void StatusChanged();
    // New live values of a device: only what shows them changes (the commands stay).
    void ValuesChanged();
    // A trend window asked for the device query of `slot`.
    void QueryDeviceRequested(int slot);

private:
    void OnCurrentItemChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void OnTreeContextMenu(const QPoint& pos);
    int ItemNumber(QTreeWidgetItem* item) const;
    static void Decorate(QTreeWidgetItem* item, const app::DeviceTreeItem& entry);

    fieldbus::FieldbusLink& link_;
    app::ViewController controller_;
    platform::WindowHandle handle_ = 0;
    QTreeWidget* tree_ = nullptr;
    QLabel* busy_ = nullptr;
    QLabel* deviceLabel_ = nullptr;
    QLabel* identityLabel_ = nullptr;
    CTravelBar* travelBar_ = nullptr;
    QLabel* aoSched_ = nullptr;
    QLabel* pidSched_ = nullptr;
    QPlainTextEdit* messages_ = nullptr;
    QTimer* closeTimer_ = nullptr;
    QTimer* offlineTimer_ = nullptr;
    QTimer* ageTimer_ = nullptr;
    QLabel* companionLabel_ = nullptr;
    QLabel* stateLabel_ = nullptr;
    QLabel* notNormalLabel_ = nullptr;  // the blocks not in their normal mode
    QLabel* valuesLabel_ = nullptr;
    QLabel* companionValues_ = nullptr;
    QLabel* modeLabels_[app::kShownBlockCount] = {};
    QPointer<CFailSafeStatusDialog> failSafe_;
    app::TrendWindows trendWindows_;
    app::QueryWindows queryWindows_;
    int wizardPage_ = -1;
    bool reverting_ = false;
    bool initialised_ = false;
};
