#include "ui/dialogs/splash_window.h"

#include "ui/look/product_text.h"

#include <QGuiApplication>

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace {

constexpr int kPictureWidth = 400;
constexpr int kPictureHeight = 260;
constexpr int kSplashMs = 2000;

// A stretch of the cell array with a few cells lit, as the result log would show a running design.
void drawCellGrid(QPainter& painter, const QRect& area) {
    constexpr int kColumns = 16;
    constexpr int kRows = 6;
    const int pitch = std::min(area.width() / kColumns, area.height() / kRows);
    const int cell = pitch - 4;
    const QPoint origin(area.left() + (area.width() - pitch * kColumns) / 2,
                        area.top() + (area.height() - pitch * kRows) / 2);

    painter.setPen(QPen(QColor(60, 110, 120), 1));
    for (int r = 0; r < kRows; ++r) {
        const int y = origin.y() + r * pitch + pitch / 2;
        painter.drawLine(origin.x(), y, origin.x() + kColumns * pitch, y);
    }
    for (int c = 0; c < kColumns; ++c) {
        const int x = origin.x() + c * pitch + pitch / 2;
        painter.drawLine(x, origin.y(), x, origin.y() + kRows * pitch);
    }
    for (int c = 0; c < kColumns; ++c) {
        for (int r = 0; r < kRows; ++r) {
            // A fixed scatter of lit cells: a counter's bits along the top rows, noise below.
            const bool lit = (r < 2 && ((c + r) % 3 == 0)) || (r >= 2 && (c * 7 + r * 5) % 11 < 3);
            const QRect box(origin.x() + c * pitch + 2, origin.y() + r * pitch + 2, cell, cell);
            painter.setPen(QPen(QColor(120, 190, 200), 1));
            painter.setBrush(lit ? QColor(120, 240, 140) : QColor(20, 50, 60));
            painter.drawRect(box.adjusted(0, 0, -1, -1));
        }
    }
}

QPixmap drawPicture(qreal ratio) {
    QPixmap picture(QSize(kPictureWidth, kPictureHeight) * ratio);
    picture.setDevicePixelRatio(ratio);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QRect bounds(0, 0, kPictureWidth, kPictureHeight);
    QLinearGradient sky(bounds.topLeft(), bounds.bottomLeft());
    sky.setColorAt(0.0, QColor(12, 36, 52));
    sky.setColorAt(1.0, QColor(4, 14, 22));
    painter.fillRect(bounds, sky);

    QFont title = painter.font();
    title.setPixelSize(30);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(235, 245, 250));
    painter.drawText(QRect(0, 18, kPictureWidth, 44), Qt::AlignCenter, QString::fromLatin1(kProductName));

    drawCellGrid(painter, QRect(20, 74, kPictureWidth - 40, 140));

    QFont small = painter.font();
    small.setPixelSize(13);
    small.setBold(false);
    painter.setFont(small);
    painter.setPen(QColor(160, 190, 200));
    painter.drawText(QRect(0, kPictureHeight - 36, kPictureWidth, 24), Qt::AlignCenter,
                     QString::fromLatin1(kReleaseText));

    // The thin border of the splash window.
    painter.setPen(QColor(120, 150, 160));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bounds.adjusted(0, 0, -1, -1));
    return picture;
}

class SplashWindow : public QWidget {
public:
    explicit SplashWindow(QWidget* owner)
        : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint), m_picture(splashPicture()) {
        setObjectName(QStringLiteral("splashWindow"));
        setAttribute(Qt::WA_DeleteOnClose);
        setCursor(Qt::ArrowCursor);
        setFixedSize(m_picture.deviceIndependentSize().toSize());
        QTimer::singleShot(kSplashMs, this, &QWidget::close);
        // The window manager places the main window after it is shown, so its position is not
        // known yet: the splash follows it until it goes.
        if (owner != nullptr)
            owner->installEventFilter(this);
    }

    void centre() {
        const QWidget* owner = parentWidget();
        if (owner == nullptr || !owner->isVisible())
            return;
        const QRect over = owner->frameGeometry();
        if (over.isValid())
            move(over.center() - rect().center());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parentWidget() &&
            (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show))
            centre();
        return QWidget::eventFilter(watched, event);
    }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_picture);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            close();
    }
    void closeEvent(QCloseEvent* event) override {
        QWidget::closeEvent(event);
        // Whatever the splash covered is drawn again at once, not when the event loop comes to it.
        if (QWidget* owner = parentWidget(); owner != nullptr && owner->isVisible())
            owner->repaint();
    }

private:
    QPixmap m_picture;
};

} // namespace

QPixmap splashPicture() {
    return drawPicture(qGuiApp->devicePixelRatio());
}

void showSplash(QWidget* mainWindow) {
    auto* splash = new SplashWindow(mainWindow);
    splash->centre();
    splash->show();
}
