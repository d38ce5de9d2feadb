#pragma once
// The custom characterisation editor: eleven fields "0" ... "100" (the nine inner ones
// editable) under a plot of set point against position. A field is taken when it loses the
// keyboard focus; in the plot a left drag moves a point up and down, a right click puts it
// midway between its neighbours. "Linkage..." computes the curve from a lever linkage.
#include <QDialog>
#include <array>

#include "config/CustomCurve.h"

class QCPCurve;
class QCustomPlot;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QPushButton;

namespace config {

class CCustomCurveDlg : public QDialog {
    Q_OBJECT
public:
    // `suffix`: " (<tag>)" or " (No Device Attached)".
    CCustomCurveDlg(const std::array<float, 9>& points, const QString& suffix, QWidget* parent = nullptr);

    std::array<float, 9> Points() const { return curve_.Points(); }
    QCustomPlot* Plot() const { return plot_; }
    // Field 0 ... 10 (set points 0 ... 100 %).
    QLineEdit* Field(int index) const { return fields_[static_cast<size_t>(index)]; }
    QPushButton* LinkageButton() const { return linkage_; }
    // The pixel of the plot widget at (set point, position).
    QPoint PixelOf(double setpoint, double position) const;
    // Takes field 1 ... 9 as typed: false (message shown, old value back) when refused.
    bool CommitField(int index);
    // Takes a field still being typed in first; a refused one keeps the dialog open.
    void accept() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnPress(QMouseEvent* event);
    void OnMove(QMouseEvent* event);
    void OnLinkage();
    // Fields and plot from the curve.
    void Refresh();
    void PlaceWidgets();

    CustomCurve curve_;
    CurveDrag drag_{curve_};
    QCustomPlot* plot_ = nullptr;
    QCPCurve* line_ = nullptr;
    std::array<QLabel*, 11> labels_{};
    std::array<QLineEdit*, 11> fields_{};
    QPushButton* linkage_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool committing_ = false;
};

}  // namespace config
