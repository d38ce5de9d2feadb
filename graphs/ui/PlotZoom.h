#pragma once
// Rubber-band zoom with scroll bars for one plot: dragging with the left button draws a band
// whose extent becomes the visible range of the zoom axes; the scroll bars move the zoomed
// view within the full range; a double click (or a right click the owner does not use)
// shows the full range again.
#include <QObject>
#include <QPointer>
#include <qcustomplot.h>

class QScrollBar;

namespace graphs {

class PlotZoom : public QObject {
    Q_OBJECT
public:
    // `horizontal` / `vertical`: the scroll bars (either may be null); `zoomAxes`: the axes a
    // band sets (both of the main axis rect when empty).
    PlotZoom(QCustomPlot* plot, QScrollBar* horizontal, QScrollBar* vertical, QList<QCPAxis*> zoomAxes = {});

    // The range that scrolling covers and a reset shows.
    void SetFullRange(const QCPRange& x, const QCPRange& y);
    QCPRange FullX() const { return fullX_; }
    QCPRange FullY() const { return fullY_; }
    // Shows the full range.
    void Reset();
    // Shows the given part (clipped to nothing; the plot is replotted).
    void SetVisible(const QCPRange& x, const QCPRange& y);
    bool IsZoomed() const;

signals:
    // The visible range changed through the user (band, scroll bar, reset).
    void ViewChanged();

private:
    void UpdateBars();
    void OnScroll();

    QCustomPlot* plot_;
    QPointer<QScrollBar> horizontal_;
    QPointer<QScrollBar> vertical_;
    QCPRange fullX_{0, 100};
    QCPRange fullY_{0, 100};
    bool updating_ = false;
};

}  // namespace graphs
