#include "ui/look/frame_icons.h"

#include <QPainter>
#include <QPixmap>

namespace cellwatch {

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.scale(size / 16.0, size / 16.0);
        // Pins on all four sides, then the package, then a cell grid on it.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(150, 150, 150));
        for (int i = 0; i < 4; ++i) {
            const int at = 3 + i * 3;
            painter.drawRect(at, 0, 1, 2);
            painter.drawRect(at, 14, 1, 2);
            painter.drawRect(0, at, 2, 1);
            painter.drawRect(14, at, 2, 1);
        }
        painter.setBrush(QColor(30, 60, 110));
        painter.drawRect(2, 2, 12, 12);
        painter.setBrush(QColor(120, 200, 120));
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column)
                painter.drawRect(4 + column * 3, 4 + row * 3, 2, 2);
        }
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon waveIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(QColor(0, 110, 40), 3));
    const QPoint points[] = {{2, 24}, {9, 24}, {9, 8}, {16, 8}, {16, 24}, {23, 24}, {23, 8}, {30, 8}};
    painter.drawPolyline(points, 8);
    return QIcon(pixmap);
}

} // namespace cellwatch
