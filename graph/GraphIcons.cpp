#include "graph/GraphIcons.h"

#include <QPainter>
#include <QPixmap>
#include <functional>

namespace {

QIcon Draw(const std::function<void(QPainter&)>& body) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    body(p);
    p.end();
    return QIcon(pm);
}

}  // namespace

// A diskette.
QIcon SaveIcon() {
    return Draw([](QPainter& p) {
        p.fillRect(1, 1, 14, 14, QColor(40, 70, 150));
        p.fillRect(4, 1, 8, 5, QColor(230, 230, 230));
        p.fillRect(9, 2, 2, 3, QColor(40, 70, 150));
        p.fillRect(3, 9, 10, 6, Qt::white);
        p.setPen(QColor(150, 150, 150));
        p.drawLine(4, 11, 11, 11);
        p.drawLine(4, 13, 11, 13);
    });
}

// Two overlapping sheets.
QIcon CopyIcon() {
    return Draw([](QPainter& p) {
        p.setPen(QColor(60, 60, 60));
        p.setBrush(Qt::white);
        p.drawRect(1, 1, 8, 10);
        p.drawRect(6, 4, 8, 10);
        p.setPen(QColor(40, 70, 150));
        for (int y = 7; y <= 12; y += 2) p.drawLine(8, y, 12, y);
    });
}

// A printer with a sheet.
QIcon PrintIcon() {
    return Draw([](QPainter& p) {
        p.setPen(QColor(60, 60, 60));
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 8, 6);
        p.setBrush(QColor(160, 160, 160));
        p.drawRect(1, 6, 14, 6);
        p.setBrush(Qt::white);
        p.drawRect(4, 10, 8, 5);
        p.fillRect(12, 8, 2, 1, QColor(0, 160, 0));
    });
}
