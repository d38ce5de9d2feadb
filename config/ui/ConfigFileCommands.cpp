#include "config/ui/ConfigFileCommands.h"

#include <QAction>
#include <QFileDialog>
#include <QKeySequence>
#include <QMenu>
#include <QStringList>

#include "config/ConfigFile.h"
#include "config/OfflineDefault.h"

namespace config {

ConfigFileCommands::ConfigFileCommands(CConfigData& data)
    : data_(data), chooser_(&ConfigFileCommands::ShowQtFileDialog), executableFolder_(ExecutableFolder()) {}

FileChooser ConfigFileCommands::BoundChooser(QWidget* parent) {
    return [this, parent](const FileDialogRequest& request) { return chooser_(parent, request); };
}

int ConfigFileCommands::OnFileOpen(QWidget* parent) {
    const int result = OpenConfigurationFile(data_, BoundChooser(parent));
    if (result == 0 && onLoaded_) onLoaded_();
    return result;
}

int ConfigFileCommands::OnFileSave(QWidget* parent) {
    // Saving always asks for the file and the layout version.
    return OnFileSaveAs(parent);
}

int ConfigFileCommands::OnFileSaveAs(QWidget* parent) {
    savedPath_.clear();
    std::string chosen;
    const FileChooser choose = BoundChooser(parent);
    const int result = SaveConfigurationFile(
        data_,
        [&choose, &chosen](const FileDialogRequest& request) {
            FileDialogResult answer = choose(request);
            if (answer.accepted) chosen = answer.path;
            return answer;
        },
        device_);
    if (result == 0) savedPath_ = chosen;
    return result;
}

int ConfigFileCommands::LoadOfflineDefault(QWidget*) {
    if (offlineDefaultDone_) return offlineDefaultResult_;
    offlineDefaultDone_ = true;
    offlineDefaultResult_ = LoadOfflineDefaultAtStartup(data_, executableFolder_);
    if (offlineDefaultResult_ == 0 && onLoaded_) onLoaded_();
    return offlineDefaultResult_;
}

void ConfigFileCommands::AddToMenu(QMenu* fileMenu, QWidget* parent, QAction* before) {
    QAction* open = new QAction(QObject::tr("&Open..."), fileMenu);
    open->setShortcut(QKeySequence::Open);
    QObject::connect(open, &QAction::triggered, fileMenu, [this, parent] { OnFileOpen(parent); });
    QAction* save = new QAction(QObject::tr("&Save"), fileMenu);
    save->setShortcut(QKeySequence::Save);
    QObject::connect(save, &QAction::triggered, fileMenu, [this, parent] { OnFileSave(parent); });
    QAction* saveAs = new QAction(QObject::tr("Save &As..."), fileMenu);
    QObject::connect(saveAs, &QAction::triggered, fileMenu, [this, parent] { OnFileSaveAs(parent); });
    fileMenu->insertActions(before, {open, save, saveAs});
    if (before != nullptr) fileMenu->insertSeparator(before);
}

QString ConfigFileCommands::QtNameFilter(const FileFilter& filter) {
    QString label = QString::fromStdString(filter.label).trimmed();
    if (label.contains('(')) return label;
    // Qt reads the patterns from the parentheses; "*.*" means every file.
    QStringList patterns = QString::fromStdString(filter.pattern).split(';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
        pattern = pattern.trimmed();
        if (pattern == "*.*") pattern = "*";
    }
    return label + " (" + patterns.join(' ') + ")";
}

void ConfigFileCommands::ConfigureQtFileDialog(QFileDialog& dialog, const FileDialogRequest& request) {
    dialog.setWindowTitle(QString::fromStdString(request.title));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (!request.initialFolder.empty()) dialog.setDirectory(QString::fromStdString(request.initialFolder));
    QStringList filters;
    for (const FileFilter& filter : ParseFilterString(request.filter)) filters << QtNameFilter(filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
    if (!request.fileName.empty() && request.fileName.find('*') == std::string::npos)
        dialog.selectFile(QString::fromStdString(request.fileName));
}

FileDialogResult ConfigFileCommands::ShowQtFileDialog(QWidget* parent, const FileDialogRequest& request) {
    QFileDialog dialog(parent);
    ConfigureQtFileDialog(dialog, request);
    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return result;
    result.accepted = true;
    result.path = dialog.selectedFiles().front().toStdString();
    result.filterIndex = static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter())) + 1;
    if (result.filterIndex < 1) result.filterIndex = 1;
    return result;
}

}  // namespace config
