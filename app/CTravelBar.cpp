#include "app/CTravelBar.h"

#include <QPainter>
#include <algorithm>

CTravelBar::CTravelBar(QWidget* parent) : QWidget(parent) {
    setObjectName("travelBar");
    setToolTip("Travel: the bar shows the actual position, the dark mark the set point (0 % to 100 %).");
}

void CTravelBar::SetValues(bool known, float position, float setPoint) {
    // The bar is painted again only when what it shows changed.
    if (known == known_ && position == position_ && setPoint == setPoint_) return;
    known_ = known;
    position_ = position;
    setPoint_ = setPoint;
    update();
}

void CTravelBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bar(1, 4, width() - 2, height() - 24);
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.setBrush(QColor(240, 240, 240));
    p.drawRect(bar);
    auto x = [&bar](float percent) {
        return bar.left() + bar.width() * std::clamp(static_cast<double>(percent), 0.0, 100.0) / 100.0;
    };
    // Ticks every 25 %, labelled at the ends and the middle.
    p.setPen(QPen(QColor(150, 150, 150), 1));
    for (int tick = 25; tick < 100; tick += 25) p.drawLine(QPointF(x(tick), bar.bottom()), QPointF(x(tick), bar.bottom() + 4));
    p.setPen(QColor(90, 90, 90));
    const QRectF labels(bar.left(), bar.bottom() + 4, bar.width(), height() - bar.bottom() - 4);
    p.drawText(labels, Qt::AlignLeft | Qt::AlignTop, "0 %");
    p.drawText(labels, Qt::AlignHCenter | Qt::AlignTop, "50 %");
    p.drawText(labels, Qt::AlignRight | Qt::AlignTop, "100 %");
    if (!known_) return;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 110, 200));
    p.drawRect(QRectF(bar.left(), bar.top() + 1, x(position_) - bar.left(), bar.height() - 2));
    p.setPen(QPen(QColor(20, 20, 20), 3));
    p.drawLine(QPointF(x(setPoint_), bar.top() - 3), QPointF(x(setPoint_), bar.bottom() + 3));
}
