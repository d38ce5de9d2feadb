#pragma once
// The modeless trend window "Trend (tag)": the six channel legends, the strip chart with the
// status text above it, the age text and the scroll bar that moves back in time, the
// window's menus, and rubber-band zoom of the value axis. It receives the device's process
// poll messages and tells its parent window when it goes (WM_TREND_CLOSED) and when the
// device query is asked for (WM_QUERY_DEVICE). The recording itself is TrendRecorder's.
#include <QWidget>
#include <array>
#include <vector>

#include "platform/WindowMessages.h"
#include "trend/TrendRecorder.h"

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollBar;
class QCustomPlot;
class QCPGraph;

namespace graphs {
class ValueBand;
}

namespace trend {

class CTrendDlg : public QWidget, public platform::MessageTarget {
    Q_OBJECT
public:
    // `parentWindow`: where WM_TREND_CLOSED and WM_QUERY_DEVICE go (0: nowhere).
    CTrendDlg(TrendDevice device, std::string profileFile, platform::WindowHandle parentWindow,
              QWidget* parent = nullptr);
    ~CTrendDlg() override;

    // Makes the window's controls. False, with a message, when the scroll bar or the age
    // text cannot be made; the window must then be deleted unshown.
    bool Create();

    TrendRecorder& Recorder() { return recorder_; }
    platform::WindowHandle Handle() const { return handle_; }
    int Slot() const { return recorder_.Slot(); }
    QCustomPlot* Chart() const { return chart_; }
    QScrollBar* ScrollBar() const { return scrollBar_; }
    QLabel* AgeLabel() const { return ageText_; }
    QLabel* StatusLabel() const { return status_; }
    QLabel* Legend(int channel) const { return legends_[static_cast<size_t>(channel)]; }
    graphs::ValueBand* Band() const { return band_; }
    // The menu command of an object name ("open", "save", "exit", "selection", "scope",
    // "interval", "clear", "query", "changeSp", "startStop").
    QAction* Command(const QString& name) const;

    // Brings menus, legends, scroll bar, age text and chart up to the recorder's state.
    void Refresh();
    // Draws the chart again (the visible part of each enabled channel).
    void RedrawChart();

    // The commands, as their menu entries run them.
    void OnStartStop();
    void OnOpen();
    void OnSave();
    void OnSelection();
    void OnScope();
    void OnInterval();
    void OnClear();
    void OnQuery();
    void OnChangePositionSetPoint();

    // MessageTarget: WM_PROCESS_POLLED.
    void OnMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The two controls whose creation may fail (null: not made).
    virtual QScrollBar* MakeScrollBar(QWidget* parent);
    virtual QLabel* MakeAgeText(QWidget* parent);

private:
    QAction* AddCommand(QMenu* menu, const QString& name, const QString& text);
    void UpdateMenus();
    void UpdateLegends();
    void UpdateScrollBar();
    void UpdateAgeText();
    void ApplyValueRange();

    TrendRecorder recorder_;
    platform::WindowHandle parentWindow_ = 0;
    platform::WindowHandle handle_ = 0;
    QMenuBar* menuBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* startStop_ = nullptr;
    std::array<QLabel*, kTrendChannelCount> legends_{};
    QLabel* status_ = nullptr;
    QCustomPlot* chart_ = nullptr;
    std::array<QCPGraph*, kTrendChannelCount> graphs_{};
    graphs::ValueBand* band_ = nullptr;
    QLabel* ageText_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    bool updatingBar_ = false;
    std::vector<TrendSample> visible_;  // reused for every redraw
};

}  // namespace trend
