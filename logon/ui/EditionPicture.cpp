#include "logon/ui/EditionPicture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace logon {

namespace {

struct Palette {
    QColor dark, light, accent;
};

Palette PaletteOf(Edition edition) {
    if (IsMakerEdition(edition)) return {QColor(16, 42, 84), QColor(52, 110, 170), QColor(236, 176, 48)};
    return {QColor(20, 70, 48), QColor(70, 140, 96), QColor(226, 108, 40)};
}

// A valve symbol: two triangles meeting at the stem, the stem, and the actuator dome.
void DrawValve(QPainter& painter, const QRectF& box, const QColor& color) {
    const qreal cx = box.center().x();
    const qreal bodyY = box.top() + box.height() * 0.72;
    const qreal half = box.width() * 0.42;
    const qreal h = box.height() * 0.2;
    QPainterPath body;
    body.moveTo(cx - half, bodyY - h);
    body.lineTo(cx, bodyY);
    body.lineTo(cx - half, bodyY + h);
    body.closeSubpath();
    body.moveTo(cx + half, bodyY - h);
    body.lineTo(cx, bodyY);
    body.lineTo(cx + half, bodyY + h);
    body.closeSubpath();
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(color);
    painter.drawPath(body);
    const qreal domeTop = box.top() + box.height() * 0.12;
    const qreal domeBottom = box.top() + box.height() * 0.4;
    painter.drawLine(QPointF(cx, bodyY), QPointF(cx, domeBottom));
    QPainterPath dome;
    dome.moveTo(cx - half * 0.8, domeBottom);
    dome.cubicTo(cx - half * 0.8, domeTop, cx + half * 0.8, domeTop, cx + half * 0.8, domeBottom);
    dome.closeSubpath();
    painter.drawPath(dome);
}

}  // namespace

QPixmap EditionBanner(Edition edition, int width, int height) {
    const Palette palette = PaletteOf(edition);
    QPixmap pixmap(width, height);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, palette.dark);
    gradient.setColorAt(1, palette.light);
    painter.fillRect(pixmap.rect(), gradient);
    DrawValve(painter, QRectF(12, 8, height - 16, height - 16), palette.accent);

    QFont title = painter.font();
    title.setPointSize(22);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    const QRect textBox(height + 4, 6, width - height - 12, height / 2);
    painter.drawText(textBox, Qt::AlignLeft | Qt::AlignBottom, QString::fromStdString(EditionName(edition)));
    QFont line = painter.font();
    line.setPointSize(9);
    line.setBold(false);
    painter.setFont(line);
    painter.setPen(palette.accent.lighter(130));
    painter.drawText(QRect(height + 4, height / 2 + 8, width - height - 12, height / 2 - 8),
                     Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(EditionCompanyLine(edition)));
    painter.end();
    return pixmap;
}

QIcon EditionIcon(Edition edition) {
    const Palette palette = PaletteOf(edition);
    QPixmap pixmap(32, 32);
    pixmap.fill(palette.dark);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawValve(painter, QRectF(2, 2, 28, 28), palette.accent);
    painter.end();
    return QIcon(pixmap);
}

}  // namespace logon
