#pragma once
// The program's main frame: menus, toolbar, status bar and the standalone view.
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <vector>

#include "app/CHelpWindow.h"
#include "app/RecentFileList.h"
#include "config/ui/ConfigFileCommands.h"
#include "fieldbus/FieldbusLink.h"
#include "report/ui/ReportCommands.h"

class CTessaroView;
namespace graphs {
class CSignatureGraphDlg;
}
class QAction;
class QLabel;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // `makeView` builds the frame's view (the standalone view when not given).
    using ViewFactory = std::function<CTessaroView*(fieldbus::FieldbusLink& link, QWidget* frame)>;
    explicit CMainFrame(fieldbus::FieldbusLink& link, QWidget* parent = nullptr, const ViewFactory& makeView = {});
    ~CMainFrame() override;

    CTessaroView* View() const { return view_; }
    // The command of a menu entry by its object name (for tests and later wiring).
    QAction* Command(const QString& name) const;
    QMenu* FileMenu() const { return fileMenu_; }
    config::ConfigFileCommands& ConfigFiles() { return configFiles_; }
    report::ReportCommands& Reports() { return reports_; }
    void RefreshStatusBar();
    // The actual position of the current device (every new value).
    void RefreshPositionPane();
    // The help pages in the program's own window (used when no web browser opens them).
    void ShowHelpWindow(const QString& index);
    CHelpWindow* HelpWindow() const { return help_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    QAction* AddCommand(QMenu* menu, const QString& name, const QString& text, bool enabled = true);
    // Enables the commands for the view's state (after every status change).
    virtual void UpdateCommands();
    fieldbus::FieldbusLink& Link() { return link_; }

private:
    void OnAbout();
    // After a file command: the configuration's file goes to the top of the recent list.
    void FileCommandDone(int result);
    void OpenRecentFile(const std::string& path);
    void RebuildRecentFiles();
    void OnHelp();
    void OnSignatureGraph();
    // Tools > Configure: the configuration sheet on the current device or the record alone.
    void OnConfigure();
    // File > Save and Save As: the open device's totals and measurements are read first.
    int SaveCommand(bool saveAs);
    // Firmware download or, with `activate`, activation on the current device.
    void OnFirmware(bool activate);
    // The PID process controller on the current device (or without one).
    void OnPidController();

    fieldbus::FieldbusLink& link_;
    config::ConfigFileCommands configFiles_;
    report::ReportCommands reports_;
    app::RecentFileList recentFiles_;
    QAction* recentSeparator_ = nullptr;
    std::vector<QAction*> recentActions_;
    CTessaroView* view_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    std::map<QString, QAction*> commands_;
    QLabel* presentPane_ = nullptr;
    QLabel* openPane_ = nullptr;
    QLabel* trendPane_ = nullptr;
    QLabel* queryPane_ = nullptr;
    QLabel* segmentPane_ = nullptr;
    QLabel* positionPane_ = nullptr;
    bool shown_ = false;
    QPointer<graphs::CSignatureGraphDlg> signatureGraph_;
    QPointer<CHelpWindow> help_;
};
