#include "config/ui/CCustomCurveDlg.h"

#include <algorithm>

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <qcustomplot.h>

#include "config/CConfigData.h"
#include "config/ui/CLinkageDlg.h"
#include "graphs/CFloatPT.h"
#include "graphs/ui/PlotStyle.h"
#include "platform/Ui.h"
#include "values/ValueCodec.h"
#include "values/ui/QtDialogExchange.h"

namespace config {

namespace {
// The plot fills the dialog less these margins (pixels); the fields and buttons sit below it.
constexpr int kLeft = 100, kRight = 100, kTop = 40, kBottom = 150;
constexpr int kFieldWidth = 52;  // the least; wider when the font needs it

// A field wide enough for the longest point text (two digits and four decimals) in
// `widget`'s font, with the line edit's frame and margins.
int FieldWidth(const QWidget* widget) {
    return std::max(kFieldWidth, widget->fontMetrics().horizontalAdvance("88.8888") + 12);
}
// Room the plot keeps inside itself beside its x axis (tick labels, axis title).
constexpr int kAxisMargins = 90;
constexpr int kFieldId = 1;

QString PointText(float value) { return QString::fromStdString(values::FloatToText(value)); }
}  // namespace

CCustomCurveDlg::CCustomCurveDlg(const std::array<float, 9>& points, const QString& suffix, QWidget* parent)
    : QDialog(parent), curve_(points) {
    setWindowTitle("Custom Characterization" + suffix);
    // Eleven fields side by side under the plot, one per 10 % of set point.
    const int least = std::max(760, kLeft + kRight + kAxisMargins + 10 * (FieldWidth(this) + 2));
    setMinimumSize(least, 520);
    resize(std::max(820, least), 600);

    plot_ = new QCustomPlot(this);
    plot_->setObjectName("curvePlot");
    graphs::StylePlot(plot_);
    graphs::ApplyGrid(plot_, graphs::GridStyle::Dot);
    plot_->xAxis->setLabel("Setpoint (%)");
    plot_->yAxis->setLabel("Position (%)");
    plot_->xAxis->setRange(0, 100);
    plot_->yAxis->setRange(0, 100);
    line_ = new QCPCurve(plot_->xAxis, plot_->yAxis);
    line_->setPen(QPen(graphs::ToQColor(graphs::kRed), 2));
    line_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, graphs::ToQColor(graphs::kRed), 7));
    connect(plot_, &QCustomPlot::mousePress, this, &CCustomCurveDlg::OnPress);
    connect(plot_, &QCustomPlot::mouseMove, this, &CCustomCurveDlg::OnMove);
    connect(plot_, &QCustomPlot::mouseRelease, this, [this](QMouseEvent* event) {
        if (event->button() == Qt::LeftButton) drag_.Release();
    });

    for (int i = 0; i <= 10; ++i) {
        auto* label = new QLabel(QString::number(10 * i), this);
        label->setAlignment(Qt::AlignCenter);
        labels_[static_cast<size_t>(i)] = label;
        auto* field = new QLineEdit(this);
        field->setObjectName(QString("point%1").arg(10 * i));
        field->setAlignment(Qt::AlignCenter);
        fields_[static_cast<size_t>(i)] = field;
        if (i == 0 || i == 10) {
            field->setText(QString::number(10 * i));
            field->setReadOnly(true);
            field->setFocusPolicy(Qt::NoFocus);
        } else {
            field->installEventFilter(this);
        }
    }
    auto* caption = new QLabel("Position (%) for each Setpoint (%):", this);
    caption->setObjectName("fieldCaption");
    caption->move(kLeft, height() - kBottom);
    linkage_ = new QPushButton("&Linkage...", this);
    linkage_->setObjectName("linkage");
    ok_ = new QPushButton("OK", this);
    ok_->setDefault(true);
    cancel_ = new QPushButton("Cancel", this);
    connect(linkage_, &QPushButton::clicked, this, &CCustomCurveDlg::OnLinkage);
    connect(ok_, &QPushButton::clicked, this, &CCustomCurveDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CCustomCurveDlg::reject);
    Refresh();
    PlaceWidgets();
}

void CCustomCurveDlg::Refresh() {
    for (int i = 0; i < CustomCurve::kPoints; ++i) fields_[static_cast<size_t>(i + 1)]->setText(PointText(curve_.Point(i)));
    std::vector<graphs::CFloatPT> points;
    for (const CurvePoint& p : curve_.PlotPoints())
        points.push_back({static_cast<float>(p.setpoint), static_cast<float>(p.position), 0});
    graphs::MarkFirstPoint(points);
    graphs::SetPoints(line_, points);
    plot_->replot();
}

void CCustomCurveDlg::PlaceWidgets() {
    plot_->setGeometry(kLeft, kTop, std::max(100, width() - kLeft - kRight), std::max(100, height() - kTop - kBottom));
    // Lay the axes out for the new size now (the plot's own resize may come later), so the
    // fields can be placed under their set points.
    plot_->setViewport(QRect(QPoint(0, 0), plot_->size()));
    plot_->replot();
    const int labelsAt = height() - kBottom + 30;
    if (auto* caption = findChild<QLabel*>("fieldCaption")) {
        caption->adjustSize();
        caption->move(kLeft, labelsAt - 26);
    }
    const int fieldWidth = FieldWidth(fields_[0]);
    for (int i = 0; i <= 10; ++i) {
        // Each field under its set point.
        const int x = plot_->x() + static_cast<int>(plot_->xAxis->coordToPixel(10.0 * i)) - fieldWidth / 2;
        labels_[static_cast<size_t>(i)]->setGeometry(x, labelsAt, fieldWidth, 18);
        fields_[static_cast<size_t>(i)]->setGeometry(x, labelsAt + 20, fieldWidth, 24);
    }
    const int buttonsAt = height() - 44;
    linkage_->setGeometry(kLeft, buttonsAt, 110, 30);
    cancel_->setGeometry(width() - kRight - 90, buttonsAt, 90, 30);
    ok_->setGeometry(width() - kRight - 190, buttonsAt, 90, 30);
}

void CCustomCurveDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceWidgets();
}

QPoint CCustomCurveDlg::PixelOf(double setpoint, double position) const {
    return QPoint(static_cast<int>(plot_->xAxis->coordToPixel(setpoint)),
                  static_cast<int>(plot_->yAxis->coordToPixel(position)));
}

bool CCustomCurveDlg::CommitField(int index) {
    if (index < 1 || index > CustomCurve::kPoints || committing_) return true;
    QLineEdit* field = fields_[static_cast<size_t>(index)];
    const int point = index - 1;
    const float old = curve_.Point(point);
    if (field->text() == PointText(old)) return true;
    // The boxes below move the focus; the field must not be taken a second time meanwhile.
    committing_ = true;
    values::ValueCodec& codec = values::ValueCodec::Instance();
    values::QtDialogExchange dx(true);
    dx.AddField(kFieldId, field);
    float value = 0.0f;
    bool taken = codec.ParseFloatField(dx, kFieldId, value) && codec.ValidateRange(dx, value, true, 0.0f, true, 100.0f);
    if (taken) {
        const CurveEdit result = curve_.Edit(point, value);
        taken = result == CurveEdit::Accepted;
        if (!taken) platform::ShowMessage(CustomCurve::EditMessage(result));
    }
    if (taken)
        Refresh();
    else
        field->setText(PointText(old));
    committing_ = false;
    return taken;
}

bool CCustomCurveDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut)
        for (int i = 1; i <= CustomCurve::kPoints; ++i)
            if (watched == fields_[static_cast<size_t>(i)]) CommitField(i);
    return QDialog::eventFilter(watched, event);
}

void CCustomCurveDlg::accept() {
    // A field still being typed in is taken first; a refused one keeps the dialog open.
    for (int i = 1; i <= CustomCurve::kPoints; ++i)
        if (!CommitField(i)) return;
    QDialog::accept();
}

void CCustomCurveDlg::OnPress(QMouseEvent* event) {
    const QPointF at = event->position();
    if (!plot_->axisRect()->rect().contains(at.toPoint())) return;
    const double setpoint = plot_->xAxis->pixelToCoord(at.x());
    const double position = plot_->yAxis->pixelToCoord(at.y());
    if (event->button() == Qt::LeftButton) {
        drag_.Press(setpoint, position);
    } else if (event->button() == Qt::RightButton) {
        const int hit = curve_.HitTest(setpoint, position);
        if (hit < 0) return;
        curve_.ResetPoint(hit);
        Refresh();
    }
}

void CCustomCurveDlg::OnMove(QMouseEvent* event) {
    if (drag_.Dragging() < 0) return;
    const QPointF at = event->position();
    const bool inside = plot_->axisRect()->rect().contains(at.toPoint());
    if (drag_.Move(plot_->yAxis->pixelToCoord(at.y()), inside)) Refresh();
}

void CCustomCurveDlg::OnLinkage() {
    CLinkageDlg calculator(CurrentConfig().identity.makerEdition != 0, this);
    if (calculator.exec() != QDialog::Accepted) return;
    curve_ = CustomCurve(calculator.Result().points);
    Refresh();
}

}  // namespace config
