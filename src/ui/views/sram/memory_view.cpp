#include "ui/views/sram/memory_view.h"

#include "app/cwiz_doc.h"
#include "script/scanning.h"
#include "ui/look/fixed_font.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace cellwatch {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void appendHex(std::string& out, std::uint32_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i)
        out += kHex[(value >> (4 * i)) & 0xF];
}

} // namespace

CMemoryView::CMemoryView(CWizDoc& doc, QWidget* parent) : QAbstractScrollArea(parent), m_doc(doc) {
    m_font = fixedPitchFont();
    m_font.setPixelSize(16);
    m_font.setWeight(QFont::Normal);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMinimumSize(10, 10);
}

CMemoryView::~CMemoryView() = default;

QSize CMemoryView::openingSize() const {
    constexpr int kOpeningWords = 4;
    constexpr int kOpeningRows = 20;
    const QFontMetrics metrics(m_font);
    // The first layout's words per row are (columns - 12) / 17 - 1; one column more for rounding.
    const int columns = 12 + 17 * (kOpeningWords + 1) + 1;
    const int width = columns * std::max(1, metrics.averageCharWidth()) + 4;
    const int height = kOpeningRows * (metrics.ascent() + metrics.descent());
    const int frame = 2 * frameWidth();
    return {width + frame + verticalScrollBar()->sizeHint().width(), height + frame};
}

void CMemoryView::measure() {
    const QFontMetrics metrics(m_font, viewport());
    m_lineHeight = metrics.ascent() + metrics.descent();
    m_columnWidth = metrics.averageCharWidth();
}

int CMemoryView::visibleRows() const {
    return m_lineHeight > 0 ? viewport()->height() / m_lineHeight : 0;
}

void CMemoryView::readSram() {
    BoardDriver* board = m_doc.board();
    if (board == nullptr || m_copy.empty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    board->readSram(m_copy.data(), m_copy.size(), m_doc.bank());
    QApplication::restoreOverrideCursor();
}

void CMemoryView::layoutRows(int divisor, int rangeEnd) {
    const int k = m_columnWidth > 0 ? viewport()->width() / m_columnWidth : 0;
    m_wordsPerLine = std::max(1, (k - 12) / divisor - 1);
    verticalScrollBar()->setRange(0, std::max(0, lines() + rangeEnd));
    verticalScrollBar()->setPageStep(std::max(1, visibleRows()));
}

void CMemoryView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    measure();
    m_copy.assign(static_cast<std::size_t>(std::max(0, m_doc.boardInfo().sramSize)), 0);
    // The first layout leaves room for wider rows than later ones, and its range reaches one row
    // further: kept as the view always behaved.
    layoutRows(17, 0);
    readSram();
    viewport()->update();
}

void CMemoryView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (m_shown)
        layoutRows(14, -1);
}

void CMemoryView::documentUpdated() {
    readSram();
    viewport()->update();
}

std::string CMemoryView::rowText(int row) const {
    std::string out;
    const std::size_t first = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_wordsPerLine);
    out += "0x";
    appendHex(out, static_cast<std::uint32_t>(first * 4), 8);
    out += ' ';
    for (int i = 0; i < m_wordsPerLine; ++i) {
        const std::size_t w = first + static_cast<std::size_t>(i);
        if (w < m_copy.size()) {
            out += ' ';
            appendHex(out, m_copy[w], 8);
        } else {
            out.append(9, ' ');
        }
    }
    out += "  ";
    for (int i = 0; i < m_wordsPerLine; ++i) {
        const std::size_t w = first + static_cast<std::size_t>(i);
        if (w < m_copy.size()) {
            out += ' ';
            for (int shift = 24; shift >= 0; shift -= 8) {
                const auto byte = static_cast<unsigned char>(m_copy[w] >> shift);
                out += byte < 32 ? '.' : static_cast<char>(byte);
            }
        } else {
            out.append(5, ' ');
        }
    }
    return out;
}

void CMemoryView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    measure();
    painter.fillRect(viewport()->rect(), Qt::white);
    painter.setFont(m_font);
    painter.setPen(palette().color(QPalette::Text));
    const int ascent = QFontMetrics(m_font, viewport()).ascent();
    const int first = verticalScrollBar()->value();
    const int rows = visibleRows() + 1;
    for (int i = 0; i < rows; ++i) {
        const std::size_t word = static_cast<std::size_t>(first + i) * static_cast<std::size_t>(m_wordsPerLine);
        if (word >= m_copy.size())
            break;
        // Bytes of 128 and above are Latin-1 characters, as the dump has always shown them.
        painter.drawText(2, i * m_lineHeight + ascent, QString::fromLatin1(rowText(first + i)));
    }
}

void CMemoryView::keyPressEvent(QKeyEvent* event) {
    QScrollBar* v = verticalScrollBar();
    const int rows = visibleRows();
    switch (event->key()) {
    case Qt::Key_Up:
        v->setValue(std::max(0, v->value() - 1));
        break;
    case Qt::Key_Down:
        v->setValue(std::min(lines(), v->value() + 1));
        break;
    case Qt::Key_PageUp:
        v->setValue(std::max(0, v->value() - rows));
        break;
    case Qt::Key_PageDown:
        v->setValue(v->maximum() - v->value() < rows ? v->maximum() : v->value() + rows);
        break;
    case Qt::Key_Home:
        v->setValue(0);
        break;
    case Qt::Key_End:
        v->setValue(v->maximum());
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    viewport()->update();
}

void CMemoryView::contextMenuEvent(QContextMenuEvent* event) {
    delete m_pMenu;
    m_pMenu = new QMenu(this);
    connect(m_pMenu->addAction(QStringLiteral("&View SRAM location...")), &QAction::triggered, this,
            &CMemoryView::OnViewLocation);
    const QPoint at = event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(QPoint(5, 5)) : event->globalPos();
    m_pMenu->popup(at);
}

void CMemoryView::OnViewLocation() {
    SessionHost& host = m_doc.host();
    const std::optional<std::string> text = host.askText("SRAM Location", "SRAM Address (in hex):", "0");
    if (!text)
        return;
    std::uint32_t value = 0;
    const bool parsed = ParseValue(*text + "\\h", value);
    if (!parsed || static_cast<std::int32_t>(value) < 0 ||
        static_cast<std::uint64_t>(value) >= 4u * static_cast<std::uint64_t>(m_copy.size())) {
        host.messageOk("Invalid memory address specified!\n");
        return;
    }
    verticalScrollBar()->setValue(static_cast<int>(value / 4 / static_cast<std::uint32_t>(m_wordsPerLine)));
    viewport()->update();
}

void CMemoryView::scrollContentsBy(int, int) {
    viewport()->update();
}

} // namespace cellwatch
