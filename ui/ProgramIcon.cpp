#include "ui/ProgramIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace zantrel {

QPixmap ProgramPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 32-unit grid and scaled, so every size has the same proportions.
    painter.scale(size / 32.0, size / 32.0);

    QLinearGradient sky(0, 0, 0, 32);
    sky.setColorAt(0, QColor(0x2a, 0x5d, 0xa8));
    sky.setColorAt(1, QColor(0x12, 0x2b, 0x57));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sky);
    painter.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 5, 5);

    // A powder ring behind the cell: the pattern the peak positions come from.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xf2, 0xc1, 0x4e, 150), 1.6));
    painter.drawEllipse(QPointF(16, 16), 12.5, 12.5);

    // An oblique cell: front face, back face offset up and to the right.
    const QPointF front[4] = {{7, 12}, {19, 12}, {19, 24}, {7, 24}};
    const QPointF shift(6, -5);
    painter.setPen(QPen(QColor(0xe8, 0xf0, 0xff), 1.3));
    for (int i = 0; i < 4; ++i) {
        painter.drawLine(front[i] + shift, front[(i + 1) % 4] + shift);
        painter.drawLine(front[i], front[i] + shift);
    }
    painter.drawPolygon(front, 4);

    painter.setPen(QPen(QColor(0x5a, 0x3a, 0x00), 0.6));
    painter.setBrush(QColor(0xf2, 0xc1, 0x4e));
    for (const QPointF& corner : front) painter.drawEllipse(corner + shift, 2.1, 2.1);
    for (const QPointF& corner : front) painter.drawEllipse(corner, 2.1, 2.1);
    return pixmap;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(ProgramPixmap(size));
    return icon;
}

}  // namespace zantrel
