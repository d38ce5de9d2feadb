#include "app/DeviceIcons.h"

#include <QPainter>
#include <QPixmap>
#include <map>

namespace {

QPixmap Draw(app::DeviceIconKind kind, bool present) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QColor colour;
    switch (kind) {
        case app::DeviceIconKind::NotPositioner: colour = QColor(128, 128, 128); break;
        case app::DeviceIconKind::Positioner: colour = QColor(30, 110, 200); break;
        case app::DeviceIconKind::LinkMasterCapable: colour = QColor(30, 150, 80); break;
        case app::DeviceIconKind::LinkMaster: colour = QColor(200, 120, 20); break;
    }
    p.setPen(QPen(colour, 2));
    p.setBrush(present ? QBrush(colour) : Qt::NoBrush);
    if (kind == app::DeviceIconKind::LinkMaster || kind == app::DeviceIconKind::LinkMasterCapable)
        p.drawRect(2, 2, 12, 12);
    else
        p.drawEllipse(2, 2, 12, 12);
    if (kind == app::DeviceIconKind::LinkMaster) {
        p.setPen(QPen(present ? Qt::white : colour, 2));
        p.drawLine(5, 8, 11, 8);
    }
    if (!present) {
        p.setPen(QPen(QColor(200, 30, 30), 2));
        p.drawLine(3, 13, 13, 3);
    }
    return pixmap;
}

}  // namespace

QIcon DeviceIcon(app::DeviceIconKind kind, bool present) {
    static std::map<std::pair<int, bool>, QIcon> cache;
    auto key = std::make_pair(static_cast<int>(kind), present);
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.emplace(key, QIcon(Draw(kind, present))).first;
    return it->second;
}

QIcon OfflineIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(QColor(90, 90, 90), 2));
    p.drawRect(2, 4, 12, 9);
    p.drawLine(5, 13, 11, 13);
    return QIcon(pixmap);
}
