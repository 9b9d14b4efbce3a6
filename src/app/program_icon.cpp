#include "app/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace vt {

QPixmap program_pixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    auto sheet = [&](QRectF r, QColor fill) {
        p.setPen(QPen(QColor(40, 60, 90), 2));
        p.setBrush(fill);
        p.drawRoundedRect(r, 3, 3);
        p.setPen(QPen(QColor(150, 165, 185), 1.5));
        for (double y = r.top() + 8; y < r.bottom() - 5; y += 6)
            p.drawLine(QPointF(r.left() + 5, y), QPointF(r.right() - 5, y));
    };
    sheet(QRectF(4, 6, 26, 34), QColor(250, 250, 245));
    sheet(QRectF(34, 24, 26, 34), QColor(225, 240, 255));

    QPainterPath arrow;
    arrow.moveTo(18, 44);
    arrow.cubicTo(18, 56, 26, 58, 30, 58);
    p.setPen(QPen(QColor(20, 130, 60), 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arrow);
    QPolygonF head;
    head << QPointF(28, 51) << QPointF(36, 58) << QPointF(28, 64);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 130, 60));
    p.drawPolygon(head);
    return pixmap;
}

QIcon program_icon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(program_pixmap(size));
    return icon;
}

} // namespace vt
