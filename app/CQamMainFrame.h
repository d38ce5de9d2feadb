#pragma once
// The plug-in build's main frame: the main frame with the plug-in view, titled with the host
// title, its commands limited to the one device, and the host database commands.
#include "app/CMainFrame.h"
#include "app/QamCommandLine.h"
#include "config/ConfigFileDialogs.h"
#include "plugin/QamLibrary.h"

class CTessaroQAMView;

class CQamMainFrame : public CMainFrame {
    Q_OBJECT
public:
    static constexpr const char* kHostTitle = "QAM PLUG-IN Tessaro";

    CQamMainFrame(fieldbus::FieldbusLink& link, const app::QamStartArguments& args, const plugin::QamApi& api,
                  QWidget* parent = nullptr);

    CTessaroQAMView* QamView() const;
    // The file dialog of Load File and Download (tests answer it).
    void SetFileChooser(config::FileChooser chooser) { chooser_ = std::move(chooser); }

protected:
    void UpdateCommands() override;

private:
    config::FileChooser chooser_;
};
