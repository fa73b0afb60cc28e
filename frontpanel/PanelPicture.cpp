#include "frontpanel/PanelPicture.h"

#include <QLinearGradient>
#include <QPainter>

QPixmap PanelPicture(const QSize& size) {
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const int rackW = (size.width() - 24) / 2;
    const int rackH = size.height() - 16;
    for (int r = 0; r < 2; ++r) {
        const QRect rack(8 + r * (rackW + 8), 8, rackW, rackH);
        QLinearGradient g(rack.topLeft(), rack.bottomLeft());
        g.setColorAt(0, QColor(90, 96, 104));
        g.setColorAt(1, QColor(48, 52, 58));
        p.setPen(QPen(QColor(30, 30, 30), 1));
        p.setBrush(g);
        p.drawRoundedRect(rack, 4, 4);
        // Four attenuator modules with a display and a knob each.
        const int modW = (rackW - 20) / 4;
        for (int k = 0; k < 4; ++k) {
            const QRect mod(rack.left() + 6 + k * (modW + 3), rack.top() + 10, modW, rackH - 20);
            p.setBrush(QColor(200, 204, 210));
            p.drawRect(mod);
            p.setBrush(QColor(20, 60, 30));
            p.drawRect(mod.left() + 5, mod.top() + 8, mod.width() - 10, 16);
            p.setBrush(QColor(60, 60, 60));
            p.drawEllipse(QPoint(mod.center().x(), mod.bottom() - 22), 10, 10);
            p.setBrush(QColor(0, 200, 60));
            p.drawEllipse(QPoint(mod.left() + 8, mod.bottom() - 6), 2, 2);
        }
    }
    return pm;
}
