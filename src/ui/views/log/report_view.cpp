#include "ui/views/log/report_view.h"

#include "app/cwiz_doc.h"
#include "platform/settings_catalogue.h"
#include "ui/look/colour_settings.h"
#include "ui/look/fixed_font.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

namespace cellwatch {

CReportView::CReportView(CWizDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_session(doc), m_doc(doc) {
    m_font = fixedPitchFont();
    m_font.setPixelSize(16);
    m_font.setWeight(QFont::Normal);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setRange(0, 0);
    horizontalScrollBar()->setRange(0, 0);
    setMinimumSize(10, 10);
    loadColours();
    connect(&m_search, &LogSearch::finished, this, &CReportView::searchEnded);
    doc.addLogView(this);
}

CReportView::~CReportView() {
    m_session.removeLogView(this);
}

void CReportView::loadColours() {
    const Settings& s = m_session.settings();
    m_text = readColour(s, settings::kText);
    m_error = readColour(s, settings::kError);
    m_warning = readColour(s, settings::kWarning);
    m_comments = readColour(s, settings::kComments);
    viewport()->update();
}

QColor CReportView::colourOf(std::string_view text) const {
    if (text.empty())
        return m_text;
    switch (text.front()) {
    case 'E':
        return m_error;
    case 'W':
        return m_warning;
    case '|':
        return m_comments;
    default:
        return m_text;
    }
}

void CReportView::measure() {
    const QFontMetrics metrics(m_font, viewport());
    m_lineHeight = metrics.ascent() + metrics.descent();
    m_columnWidth = metrics.maxWidth();
}

int CReportView::visibleRows() const {
    return m_lineHeight > 0 ? viewport()->height() / m_lineHeight : 0;
}

int CReportView::visibleColumns() const {
    return m_columnWidth > 0 ? viewport()->width() / m_columnWidth : 0;
}

int CReportView::estimatedLines() const {
    const std::size_t perCycle = m_doc.clockTrace() != nullptr ? 5 : 10;
    const std::size_t lines = m_doc.logLines().size() + 1 + static_cast<std::size_t>(m_doc.time()) / perCycle + 2;
    return static_cast<int>(std::min<std::size_t>(lines, INT32_MAX));
}

void CReportView::updateRanges() {
    if (m_lineHeight == 0)
        return;
    const int columns = visibleColumns();
    const int rows = visibleRows();
    horizontalScrollBar()->setRange(0, std::max(0, kColumns - columns));
    horizontalScrollBar()->setPageStep(std::max(1, columns));
    verticalScrollBar()->setRange(0, std::max(0, m_lineCount - rows));
    verticalScrollBar()->setPageStep(std::max(1, rows));
}

void CReportView::refresh(bool follow) {
    m_lineCount = estimatedLines();
    updateRanges();
    if (follow) {
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    viewport()->update();
}

void CReportView::refreshLive(bool newest) {
    QScrollBar* v = verticalScrollBar();
    const bool atEnd = v->value() >= v->maximum();
    // The lines the log holds now, not the estimate (which runs a few lines ahead): a following pane
    // then ends on its last line. The index only walks what was added since the last paint.
    m_lineCount = static_cast<int>(std::min<std::uint64_t>(m_index.lineCount(m_doc), INT32_MAX));
    updateRanges();
    if (newest && atEnd) {
        horizontalScrollBar()->setValue(0);
        v->setValue(v->maximum());
    }
    viewport()->update();
}

void CReportView::runAdvanced() {
    const std::vector<LogView*>& logs = m_doc.logViews();
    refreshLive(!logs.empty() && logs.back() == this);
}

void CReportView::scrollToStart() {
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

std::vector<CReportView::PageLine> CReportView::pageLines() {
    std::vector<PageLine> lines;
    if (m_lineHeight == 0)
        measure();
    const auto first = static_cast<std::uint64_t>(verticalScrollBar()->value());
    m_index.page(m_doc, first, visibleRows() + 2, [&](std::string_view text) {
        lines.push_back({QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), colourOf(text)});
    });
    return lines;
}

void CReportView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    measure();
    painter.fillRect(viewport()->rect(), Qt::white);
    painter.setFont(m_font);
    const int p = verticalScrollBar()->value();
    const int h = horizontalScrollBar()->value();
    const std::vector<PageLine> lines = pageLines();
    if (lines.empty())
        return;
    if (m_mark && *m_mark >= p && *m_mark <= p + visibleRows() + 2) {
        const int y = (*m_mark - p) * m_lineHeight;
        painter.setPen(Qt::black);
        painter.drawLine(-h * m_columnWidth, y, (kColumns - h) * m_columnWidth, y);
    }
    const int x = 2 - h * m_columnWidth;
    const int ascent = QFontMetrics(m_font, viewport()).ascent();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        painter.setPen(lines[i].colour);
        painter.drawText(x, static_cast<int>(i) * m_lineHeight + ascent, lines[i].text);
    }
}

void CReportView::keyPressEvent(QKeyEvent* event) {
    QScrollBar* v = verticalScrollBar();
    QScrollBar* hz = horizontalScrollBar();
    const int rows = visibleRows();
    switch (event->key()) {
    case Qt::Key_Up:
        v->setValue(std::max(0, v->value() - 1));
        break;
    case Qt::Key_Down:
        v->setValue(std::min(m_lineCount, v->value() + 1));
        break;
    case Qt::Key_PageUp:
        v->setValue(std::max(0, v->value() - rows));
        break;
    case Qt::Key_PageDown:
        v->setValue(std::min(m_lineCount, v->value() + rows));
        break;
    case Qt::Key_Home:
        v->setValue(0);
        hz->setValue(0);
        break;
    case Qt::Key_End:
        v->setValue(m_lineCount - rows);
        hz->setValue(0);
        break;
    case Qt::Key_Left:
        hz->setValue(std::max(0, hz->value() - 1));
        break;
    case Qt::Key_Right:
        hz->setValue(std::min(kColumns, hz->value() + 1));
        break;
    case Qt::Key_Escape:
        if (!searching()) {
            QAbstractScrollArea::keyPressEvent(event);
            return;
        }
        cancelSearch();
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    viewport()->update();
}

void CReportView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_lineHeight == 0) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const int n = verticalScrollBar()->value() + event->position().toPoint().y() / m_lineHeight;
    if (n <= m_lineCount) {
        if (m_mark == n + 1)
            m_mark.reset();
        else
            m_mark = n + 1;
    }
    viewport()->update();
    if (n <= m_lineCount)
        Q_EMIT lineClicked(n);
}

void CReportView::showLine(int n) {
    const int p = verticalScrollBar()->value();
    if (n < p || n >= p + visibleRows())
        verticalScrollBar()->setValue(n);
    m_mark = n + 1;
    viewport()->update();
}

// --- Finding lines ---

namespace {

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Lower-cased once; the log's texts are ASCII, so a byte-wise compare finds them in any case.
LogSearch::Match containing(const QString& text) {
    const QByteArray needle = text.toLower().toUtf8();
    return [needle](std::string_view line) {
        return std::search(line.begin(), line.end(), needle.begin(), needle.end(),
                           [](char a, char b) { return lowerAscii(a) == b; }) != line.end();
    };
}

} // namespace

void CReportView::startSearch(LogSearch::Direction direction, LogSearch::Match match) {
    const bool forward = direction == LogSearch::Direction::Forward;
    std::uint64_t from = 0;
    if (m_mark) {
        const int marked = *m_mark - 1;
        if (!forward && marked <= 0) {
            m_search.cancel();
            searchEnded(false, 0);
            return;
        }
        from = static_cast<std::uint64_t>(forward ? marked + 1 : marked - 1);
    } else {
        const int top = verticalScrollBar()->value();
        from = static_cast<std::uint64_t>(forward ? top : top + std::max(1, visibleRows()) - 1);
    }
    m_search.start(from, direction, std::move(match));
}

void CReportView::find(const QString& text) {
    m_findText = text;
    if (!text.isEmpty())
        startSearch(LogSearch::Direction::Forward, containing(text));
}

void CReportView::findNext() {
    find(m_findText);
}

void CReportView::findPrevious() {
    if (!m_findText.isEmpty())
        startSearch(LogSearch::Direction::Backward, containing(m_findText));
}

namespace {

// The line's first character is what gives it the error colour.
bool isErrorLine(std::string_view line) {
    return !line.empty() && line.front() == 'E';
}

} // namespace

void CReportView::nextError() {
    startSearch(LogSearch::Direction::Forward, isErrorLine);
}

void CReportView::previousError() {
    startSearch(LogSearch::Direction::Backward, isErrorLine);
}

void CReportView::cancelSearch() {
    m_search.cancel();
}

void CReportView::searchEnded(bool found, quint64 line) {
    if (found) {
        // The estimate may trail a log that grew since the last refresh.
        if (static_cast<std::int64_t>(line) >= m_lineCount) {
            m_lineCount = static_cast<int>(std::min<quint64>(line + 1, INT32_MAX));
            updateRanges();
        }
        showLine(static_cast<int>(std::min<quint64>(line, INT32_MAX)));
    } else {
        m_session.host().beep();
    }
    Q_EMIT searchFinished(found);
}

void CReportView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateRanges();
}

void CReportView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    measure();
    refresh(true);
}

void CReportView::scrollContentsBy(int, int) {
    viewport()->update();
}

} // namespace cellwatch
