#pragma once
// The File menu commands for configuration files: Open, Save, Save As, and the one-time load
// of the offline default file when the main window first shows. The file dialogs are Qt's;
// a test (or another front end) can replace them through SetChooser.
#include <QString>
#include <functional>
#include <string>

#include "config/CConfigData.h"
#include "config/ConfigFileDialogs.h"

class QAction;
class QFileDialog;
class QMenu;
class QWidget;

namespace config {

class ActuatorDiagnosticsSource;

class ConfigFileCommands {
public:
    using Chooser = std::function<FileDialogResult(QWidget* parent, const FileDialogRequest& request)>;

    explicit ConfigFileCommands(CConfigData& data = CurrentConfig());

    // Replaces the Qt file dialog (tests inject the chosen path here).
    void SetChooser(Chooser chooser) { chooser_ = std::move(chooser); }
    // The open device whose totals and measurements are refreshed before saving; nullptr
    // while no device is open.
    void SetDiagnosticsSource(ActuatorDiagnosticsSource* source) { device_ = source; }
    // Second place to look for the offline default files (default: the executable's folder).
    void SetExecutableFolder(std::string folder) { executableFolder_ = std::move(folder); }
    // Called after a file was opened and accepted, so views can show the new configuration.
    void SetOnConfigurationLoaded(std::function<void()> callback) { onLoaded_ = std::move(callback); }

    // Each returns the status of the underlying operation (0 success; open: 1 otherwise;
    // save: 1 write failure, 2 cancelled).
    int OnFileOpen(QWidget* parent);
    int OnFileSave(QWidget* parent);
    int OnFileSaveAs(QWidget* parent);
    // The file the last successful save wrote; empty after a save that failed or was cancelled.
    const std::string& SavedPath() const { return savedPath_; }
    // Loads the offline default file the first time it is called; on failure shows the
    // result text for 1.5 s. Later calls do nothing and return the first result.
    int LoadOfflineDefault(QWidget* parent);

    // Adds "&Open...", "&Save" and "Save &As..." to a File menu, before `before` when given.
    void AddToMenu(QMenu* fileMenu, QWidget* parent, QAction* before = nullptr);

    // The Qt dialog behind the default chooser.
    static FileDialogResult ShowQtFileDialog(QWidget* parent, const FileDialogRequest& request);
    static void ConfigureQtFileDialog(QFileDialog& dialog, const FileDialogRequest& request);
    // The Qt form of a classic "label|pattern|" filter pair.
    static QString QtNameFilter(const FileFilter& filter);

private:
    FileChooser BoundChooser(QWidget* parent);

    CConfigData& data_;
    Chooser chooser_;
    ActuatorDiagnosticsSource* device_ = nullptr;
    std::string executableFolder_;
    std::function<void()> onLoaded_;
    std::string savedPath_;
    bool offlineDefaultDone_ = false;
    int offlineDefaultResult_ = 0;
};

}  // namespace config
