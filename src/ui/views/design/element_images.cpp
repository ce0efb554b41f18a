#include "ui/views/design/element_images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace cellwatch {

namespace {

const QColor kGrey(150, 150, 150);

QPixmap canvas() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A block of the hierarchy: a folder with a small cell grid on it.
QPixmap drawComposite() {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setPen(QColor(140, 100, 20));
    p.setBrush(QColor(240, 200, 90));
    p.drawRect(1, 4, 13, 10);
    p.drawRect(1, 2, 5, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(140, 100, 20));
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 3; ++column)
            p.drawRect(4 + column * 3, 7 + row * 3, 2, 2);
    }
    return pixmap;
}

// A two-input gate with its leads.
QPixmap drawGate(const QColor& colour) {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour, 1.2));
    p.drawLine(QPointF(0.5, 5.5), QPointF(4, 5.5));
    p.drawLine(QPointF(0.5, 10.5), QPointF(4, 10.5));
    p.drawLine(QPointF(12, 8), QPointF(15.5, 8));
    QPainterPath body;
    body.moveTo(4, 2.5);
    body.lineTo(7.5, 2.5);
    body.arcTo(QRectF(3, 2.5, 9, 11), 90, -180);
    body.lineTo(4, 13.5);
    body.closeSubpath();
    p.setBrush(colour.lighter(170));
    p.drawPath(body);
    return pixmap;
}

// A register: a box with the clock wedge on its left side.
QPixmap drawRegister(const QColor& colour) {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setPen(colour);
    p.setBrush(colour.lighter(170));
    p.drawRect(3, 1, 10, 14);
    p.setBrush(Qt::NoBrush);
    const QPoint wedge[] = {{3, 9}, {6, 11}, {3, 13}};
    p.drawPolyline(wedge, 3);
    p.drawLine(0, 4, 2, 4);
    p.drawLine(0, 11, 2, 11);
    p.drawLine(14, 4, 15, 4);
    p.drawLine(6, 4, 9, 4); // the D of the data input
    return pixmap;
}

// Several wires gathered into one bus.
QPixmap drawGroup() {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    const QColor colour(110, 40, 140);
    p.setPen(colour);
    for (int i = 0; i < 4; ++i)
        p.drawLine(0, 2 + i * 4, 6, 2 + i * 4);
    p.drawLine(7, 2, 7, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(8, 6, 8, 4);
    return pixmap;
}

// One clock period as a square wave.
QPixmap drawClock() {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setPen(QPen(QColor(200, 30, 30), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    const QPoint wave[] = {{1, 12}, {4, 12}, {4, 4}, {9, 4}, {9, 12}, {14, 12}, {14, 4}};
    p.drawPolyline(wave, 7);
    return pixmap;
}

// A picture that cannot be read back: greyed, with a small red bar across its corner.
QPixmap unreadable(QPixmap pixmap) {
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 30, 30), 1.6));
    p.drawLine(QPointF(10, 10), QPointF(15, 15));
    p.drawLine(QPointF(15, 10), QPointF(10, 15));
    return pixmap;
}

} // namespace

const QIcon& elementIcon(ElementImage image) {
    // Never freed: pixmaps must not outlive the application object at exit.
    static const auto* icons = [] {
        return new std::array<QIcon, 7>{
            QIcon(drawComposite()),
            QIcon(drawGate(QColor(30, 80, 170))),
            QIcon(drawRegister(QColor(20, 120, 50))),
            QIcon(drawGroup()),
            QIcon(drawClock()),
            QIcon(unreadable(drawRegister(kGrey))),
            QIcon(unreadable(drawGate(kGrey))),
        };
    }();
    return (*icons)[static_cast<std::size_t>(image)];
}

} // namespace cellwatch
