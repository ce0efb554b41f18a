#include "ui/views/wave/wave_view.h"

#include "app/cwiz_doc.h"
#include "app/log_format.h"
#include "app/sample_rows.h"
#include "app/session_host.h"
#include "app/settings.h"
#include "common/atomic_file.h"
#include "design/design_element.h"
#include "ui/look/fixed_font.h"

#include <QAction>
#include <QBuffer>
#include <QByteArray>
#include <QContextMenuEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShowEvent>
#include <QWheelEvent>

#include <algorithm>
#include <utility>
#include <cmath>

namespace cellwatch {

namespace {

constexpr double kFinestScale = 1.0 / 512; // at most 512 pixels per stamp (a 32-bit binary value)
constexpr double kOpeningScale = 1.0 / 16;
// A bus segment's text starts 4 pixels in and leaves 6 free after the slanted edge.
constexpr int kValueMargin = 8;

// A paused run keeps the view where it is; otherwise new stamps are followed.
bool mayFollow(RunState s) {
    return s != RunState::Paused;
}

} // namespace

WaveView::WaveView(CWizDoc& doc, QWidget* parent)
    : QWidget(parent), m_session(doc), m_doc(doc), m_font(fixedPitchFont()) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setMinimumSize(200, kRulerHeight + kLaneHeight);
    m_exportAction = new QAction(QStringLiteral("Export picture..."), this);
    connect(m_exportAction, &QAction::triggered, this, [this] { (void)exportPicture(); });
    m_laneBar = new QScrollBar(Qt::Vertical, this);
    m_laneBar->setSingleStep(1);
    m_laneBar->setFocusPolicy(Qt::NoFocus);
    m_laneBar->hide();
    connect(m_laneBar, &QScrollBar::valueChanged, this, [this] { update(); });
    m_scale = readableScale();
}

int WaveView::firstLane() const {
    return m_laneBar->isHidden() ? 0 : m_laneBar->value();
}

int WaveView::laneBarWidth() const {
    return m_laneBar->isHidden() ? 0 : m_laneBar->sizeHint().width();
}

void WaveView::updateLaneBar() {
    const std::size_t lanes = m_doc.traceList().size();
    const int room = std::max(1, (height() - kRulerHeight) / kLaneHeight); // lanes wholly shown
    const int hidden = std::max(0, static_cast<int>(lanes) - room);
    m_laneBar->setRange(0, hidden);
    m_laneBar->setPageStep(room);
    // A lane the user has just added (dragged in) comes into view at the bottom.
    if (m_knownLanes != 0 && lanes > m_knownLanes)
        m_laneBar->setValue(hidden);
    m_knownLanes = lanes;
    if ((hidden > 0) == m_laneBar->isHidden())
        m_laneBar->setVisible(hidden > 0);
    const int w = m_laneBar->sizeHint().width();
    m_laneBar->setGeometry(width() - w, kRulerHeight, w, std::max(0, height() - kRulerHeight));
}

double WaveView::readableScale() const {
    const QFontMetrics fm(m_font);
    int widest = 0;
    for (const TracedComponent& lane : m_doc.traceList()) {
        if (lane.element == nullptr || lane.element->size <= 1)
            continue;
        // Values are padded to the lane's digit count, so any value is as wide as every other.
        widest = std::max(widest, fm.horizontalAdvance(valueText(lane, 0)) + kValueMargin);
    }
    return std::max(kFinestScale, std::min(kOpeningScale, 1.0 / std::max(1, widest)));
}

bool WaveView::exportPicture() {
    FileDialogRequest request;
    request.title = "Export picture";
    request.filter = "PNG images (*.png)|*.png|All files (*.*)|*.*";
    request.defaultExt = "png";
    request.startFolder = m_session.settings().readString("Environment", "Last path", "");
    request.overwritePrompt = true;
    const std::optional<std::string> chosen = m_session.host().saveFileDialog(request);
    if (!chosen)
        return false;
    QImage image(size(), QImage::Format_RGB32);
    render(&image);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Encoded in memory first, so that a failed write never leaves half a picture behind.
    if (!image.save(&buffer, "PNG") ||
        saveFileAtomically(*chosen,
                           std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) !=
            SaveResult::Ok) {
        m_session.host().messageOk("The picture could not be saved to \"" + *chosen + "\".");
        return false;
    }
    return true;
}

void WaveView::showContextMenu(const QPoint& global) {
    QMenu menu(this);
    menu.addAction(m_exportAction);
    menu.exec(global);
}

void WaveView::contextMenuEvent(QContextMenuEvent* event) {
    // A right-button drag zooms to a range, so the mouse's menu waits for a release without a drag.
    if (event->reason() == QContextMenuEvent::Mouse) {
        event->accept();
        return;
    }
    showContextMenu(mapToGlobal(QPoint(waveLeft(), kRulerHeight)));
}

void WaveView::documentUpdated() {
    m_summary.extend(m_doc);
    updateLaneBar();
    // A parse may have changed the lanes or their radix.
    if (!m_userZoomed)
        m_scale = readableScale();
    if (m_follow && mayFollow(m_doc.runState())) {
        const double shown = waveWidth() * m_scale;
        const auto end = static_cast<double>(m_summary.stampCount());
        m_first = end > shown ? end - shown : 0;
    }
    update();
}

void WaveView::setView(double first, double stampsPerPixel) {
    if (stampsPerPixel != m_scale)
        m_userZoomed = true;
    m_first = first;
    m_scale = stampsPerPixel;
    clampView();
    userMoved();
    update();
}

void WaveView::clampView() {
    m_summary.extend(m_doc);
    const double most = std::max(1.0, static_cast<double>(m_summary.stampCount()) / 4.0);
    m_scale = std::clamp(m_scale, kFinestScale, most);
    m_first = std::clamp(m_first, 0.0, std::max(0.0, static_cast<double>(m_summary.stampCount()) - 1));
}

void WaveView::userMoved() {
    // Following resumes when the user brings the newest stamp back into view.
    m_follow = m_first + waveWidth() * m_scale >= static_cast<double>(m_summary.stampCount());
}

void WaveView::zoomToFit() {
    m_summary.extend(m_doc);
    setView(0, std::max(kFinestScale, static_cast<double>(m_summary.stampCount()) / waveWidth()));
}

void WaveView::zoomBy(double factor, double aroundStamp) {
    const double x = xOfStamp(aroundStamp);
    m_userZoomed = true;
    m_scale /= factor;
    m_scale = std::max(m_scale, kFinestScale);
    m_first = aroundStamp - (x - waveLeft()) * m_scale;
    setView(m_first, m_scale);
}

void WaveView::setCursor(std::uint64_t stamp, bool notify) {
    m_cursor = stamp;
    // A cursor off the page brings the page to it.
    const double shown = waveWidth() * m_scale;
    if (static_cast<double>(stamp) < m_first || static_cast<double>(stamp) >= m_first + shown) {
        m_first = std::max(0.0, static_cast<double>(stamp) - shown / 2);
        userMoved();
    }
    update();
    if (notify)
        Q_EMIT cursorMoved(stamp);
}

QStringList WaveView::laneNames() const {
    QStringList names;
    for (const TracedComponent& c : m_doc.traceList())
        names << QString::fromStdString(c.element != nullptr ? c.element->fullName : c.name);
    return names;
}

QString WaveView::valueText(const TracedComponent& lane, std::int32_t value) const {
    const int radix = componentRadix(lane, m_doc.radix());
    const std::uint32_t width = lane.element != nullptr ? lane.element->size : 1;
    char text[40];
    const std::size_t n =
        formatLogValue(text, static_cast<std::uint32_t>(value), digitCount(width, radix), radix);
    return QString::fromLatin1(text, static_cast<qsizetype>(n));
}

// --- Painting ---

void WaveView::paintEvent(QPaintEvent*) {
    m_summary.extend(m_doc);
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setFont(m_font);
    const QFontMetrics fm(m_font);
    const int left = waveLeft();
    const int w = waveWidth();

    // The ruler: ticks at 1, 2 or 5 times a power of ten stamps, at least 80 pixels apart.
    p.fillRect(QRect(0, 0, width(), kRulerHeight), QColor(236, 236, 236));
    p.setPen(Qt::black);
    double step = 1;
    while (step / m_scale < 80) {
        const double m = step;
        step = (m * 2) / m_scale >= 80 ? m * 2 : (m * 5) / m_scale >= 80 ? m * 5 : m * 10;
    }
    const std::uint64_t count = m_summary.stampCount();
    for (double s = std::ceil(m_first / step) * step; s < m_first + w * m_scale; s += step) {
        const int x = static_cast<int>(xOfStamp(s));
        p.drawLine(x, kRulerHeight - 6, x, kRulerHeight - 1);
        p.drawText(x + 2, kRulerHeight - 8, QString::number(static_cast<qulonglong>(s)));
    }
    QString marks;
    if (m_cursor)
        marks = QStringLiteral("C %1").arg(*m_cursor);
    if (m_cursor && m_cursor2) {
        const std::uint64_t d = *m_cursor > *m_cursor2 ? *m_cursor - *m_cursor2 : *m_cursor2 - *m_cursor;
        marks += QStringLiteral("  \u0394 %1").arg(d);
    }
    p.fillRect(QRect(0, 0, left, kRulerHeight), QColor(236, 236, 236));
    p.drawText(QRect(4, 0, left - 8, kRulerHeight), Qt::AlignVCenter | Qt::AlignLeft, marks);
    p.drawLine(0, kRulerHeight - 1, width(), kRulerHeight - 1);

    int top = kRulerHeight;
    p.setClipRect(QRect(0, kRulerHeight, width(), height() - kRulerHeight));
    const std::vector<std::vector<Column>> laneColumns = allColumns(w);
    std::size_t laneIndex = 0;
    const auto skipped = static_cast<std::size_t>(firstLane());
    for (const TracedComponent& lane : m_doc.traceList()) {
        if (top >= height())
            break;
        if (laneIndex < skipped) { // scrolled above the first lane shown
            ++laneIndex;
            continue;
        }
        p.setPen(Qt::black);
        const QString name =
            QString::fromStdString(lane.element != nullptr ? lane.element->fullName : lane.name);
        p.drawText(QRect(4, top, m_nameWidth - 8, kLaneHeight), Qt::AlignVCenter | Qt::AlignLeft,
                   fm.elidedText(name, Qt::ElideLeft, m_nameWidth - 8));
        if (m_cursor) {
            const std::optional<std::int32_t> v = valueAt(lane, *m_cursor);
            if (v)
                p.drawText(QRect(m_nameWidth, top, m_valueWidth - 4, kLaneHeight),
                           Qt::AlignVCenter | Qt::AlignRight,
                           fm.elidedText(valueText(lane, *v), Qt::ElideLeft, m_valueWidth - 4));
        }
        p.save();
        p.setClipRect(QRect(left, top, w, kLaneHeight));
        drawLane(p, lane, top, laneColumns[laneIndex++]);
        p.restore();
        p.setPen(QColor(220, 220, 220));
        p.drawLine(0, top + kLaneHeight - 1, width(), top + kLaneHeight - 1);
        top += kLaneHeight;
    }
    p.setClipping(false);
    p.setPen(QColor(160, 160, 160));
    p.drawLine(m_nameWidth, 0, m_nameWidth, height());
    p.drawLine(left - 1, 0, left - 1, height());
    const double half = m_scale < 1 ? 0.5 : 0;
    if (m_cursor2 && static_cast<double>(*m_cursor2) < m_first + w * m_scale) {
        p.setPen(QPen(QColor(0, 140, 0), 1, Qt::DashLine));
        const int x = static_cast<int>(xOfStamp(static_cast<double>(*m_cursor2) + half));
        if (x >= left)
            p.drawLine(x, 0, x, height());
    }
    if (m_cursor && static_cast<double>(*m_cursor) < m_first + w * m_scale) {
        p.setPen(QColor(220, 0, 0));
        const int x = static_cast<int>(xOfStamp(static_cast<double>(*m_cursor) + half));
        if (x >= left)
            p.drawLine(x, 0, x, height());
    }
    (void)count;
}

void WaveView::drawLane(QPainter& p, const TracedComponent& lane, int top, const std::vector<Column>& cols) {
    const DesignElement* e = lane.element;
    const bool clock = e != nullptr && e->type == ElementType::SoftwareClock;
    const bool bus = e != nullptr && e->size > 1;
    const int hi = top + 4;
    const int lo = top + kLaneHeight - 5;
    const int mid = (hi + lo) / 2;
    const int left = waveLeft();
    const QColor ink = clock ? QColor(0, 0, 200) : QColor(0, 110, 0);
    const QFontMetrics fm(m_font);
    // Runs of columns with one value are drawn as one segment; columns where the value changes
    // inside are filled.
    const int n = static_cast<int>(cols.size());
    int x = 0;
    while (x < n) {
        const Column& c = cols[static_cast<std::size_t>(x)];
        if (!c.known) {
            ++x;
            continue;
        }
        if (c.changed) {
            int end = x + 1;
            while (end < n && cols[static_cast<std::size_t>(end)].known &&
                   cols[static_cast<std::size_t>(end)].changed)
                ++end;
            p.fillRect(QRect(left + x, hi, end - x, lo - hi + 1), bus ? QColor(150, 150, 150) : ink);
            x = end;
            continue;
        }
        int end = x + 1;
        while (end < n) {
            const Column& d = cols[static_cast<std::size_t>(end)];
            if (!d.known || d.changed || d.first != c.first)
                break;
            ++end;
        }
        const bool edge = x > 0 && cols[static_cast<std::size_t>(x - 1)].known;
        p.setPen(ink);
        const int x0 = left + x;
        const int x1 = left + end - 1;
        if (bus) {
            const int slant = edge ? std::min(3, end - x) : 0;
            p.drawLine(x0 + slant, hi, x1, hi);
            p.drawLine(x0 + slant, lo, x1, lo);
            if (edge) {
                p.drawLine(x0, mid, x0 + slant, hi);
                p.drawLine(x0, mid, x0 + slant, lo);
            }
            const QString text = valueText(lane, c.first);
            const int room = x1 - x0 - (kValueMargin - 2);
            if (room >= fm.horizontalAdvance(text)) {
                p.setPen(Qt::black);
                p.drawText(QRect(x0 + 4, hi, room, lo - hi), Qt::AlignVCenter | Qt::AlignLeft, text);
            }
        } else {
            const int y = (c.first & 1) != 0 ? hi : lo;
            p.drawLine(x0, y, x1, y);
            if (edge)
                p.drawLine(x0, hi, x0, lo);
        }
        x = end;
    }
}

// --- Input ---

void WaveView::mousePressEvent(QMouseEvent* event) {
    setFocus();
    m_press = event->position().toPoint();
    m_pressFirst = m_first;
    m_dragged = false;
    m_zoomDrag = event->button() == Qt::RightButton;
    m_dragX = m_press->x();
}

void WaveView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_press)
        return;
    const int dx = event->position().toPoint().x() - m_press->x();
    if (std::abs(dx) > 3)
        m_dragged = true;
    if (!m_dragged)
        return;
    m_dragX = event->position().toPoint().x();
    if (!m_zoomDrag) {
        m_first = m_pressFirst - dx * m_scale;
        clampView();
        userMoved();
    }
    update();
}

void WaveView::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_press)
        return;
    const QPoint start = *m_press;
    m_press.reset();
    const int x = event->position().toPoint().x();
    if (m_zoomDrag) {
        if (m_dragged) {
            const double a = stampAtX(std::min(start.x(), x));
            const double b = stampAtX(std::max(start.x(), x));
            setView(a, (b - a) / waveWidth());
        } else {
            showContextMenu(event->globalPosition().toPoint());
        }
        return;
    }
    if (m_dragged || x < waveLeft())
        return;
    const std::uint64_t stamp = floorStamp(stampAtX(x));
    if ((event->modifiers() & Qt::ShiftModifier) != 0) {
        m_cursor2 = stamp;
        update();
    } else {
        setCursor(stamp);
    }
}

void WaveView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (event->position().x() < waveLeft() && !m_laneBar->isHidden()) {
        // Over the names the wheel goes through the lanes, as in any list.
        m_laneBar->setValue(m_laneBar->value() - static_cast<int>(std::lround(notches * 3)));
    } else if ((event->modifiers() & Qt::ControlModifier) != 0) {
        zoomBy(std::pow(2.0, notches), stampAtX(event->position().x()));
    } else {
        setView(m_first - notches * waveWidth() * m_scale / 8, m_scale);
    }
    event->accept();
}

void WaveView::keyPressEvent(QKeyEvent* event) {
    const double centre = m_cursor ? static_cast<double>(*m_cursor) : m_first + waveWidth() * m_scale / 2;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomBy(2, centre);
        return;
    case Qt::Key_Minus:
        zoomBy(0.5, centre);
        return;
    case Qt::Key_F:
        zoomToFit();
        return;
    case Qt::Key_Home:
        setView(0, m_scale);
        return;
    case Qt::Key_End:
        m_summary.extend(m_doc);
        setView(std::max(0.0, static_cast<double>(m_summary.stampCount()) - waveWidth() * m_scale), m_scale);
        return;
    case Qt::Key_Left:
        if (m_cursor && *m_cursor > 0)
            setCursor(*m_cursor - 1);
        return;
    case Qt::Key_Right:
        if (m_cursor && *m_cursor + 1 < m_summary.stampCount())
            setCursor(*m_cursor + 1);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void WaveView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateLaneBar();
    update();
}

void WaveView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateLaneBar();
}

} // namespace cellwatch
