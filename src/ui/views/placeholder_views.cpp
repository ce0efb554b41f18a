#include "ui/views/placeholder_views.h"

#include "app/cwiz_doc.h"
#include "design/design_element.h"
#include "script/script_file.h"
#include "script/section_rewriter.h"
#include "ui/look/fixed_font.h"
#include "ui/views/design/symbol_view.h"
#include "ui/views/design/trace_view.h"
#include "ui/views/view_factory.h"
#include "ui/views/wave/wave_view.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace cellwatch {

PlaceholderView::PlaceholderView(CWizDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
    setFont(fixedPitchFont());
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setMinimumSize(10, 10);
}

void PlaceholderView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    const QFontMetrics metrics(font());
    const int step = std::max(1, metrics.lineSpacing());
    const int rows = height() / step + 1;
    const int count = lineCount();
    const int first = m_follow ? std::max(0, count - rows + 1) : 0;
    const int top = event->rect().top() / step;
    const int bottom = std::min(rows, event->rect().bottom() / step + 1);
    for (int row = top; row <= bottom && first + row < count; ++row)
        painter.drawText(4, row * step + metrics.ascent() + 2, lineAt(first + row));
}

// --- Design hierarchy ---

HierarchyPlaceholder::HierarchyPlaceholder(CWizDoc& doc, QWidget* parent) : PlaceholderView(doc, parent) {
    doc.setSymbolView(this);
}

HierarchyPlaceholder::~HierarchyPlaceholder() {
    m_doc.setSymbolView(nullptr);
}

void HierarchyPlaceholder::collect() const {
    if (!m_dirty)
        return;
    m_elements.clear();
    if (const DesignTree* tree = m_doc.designTree()) {
        for (const DesignElement* e = tree->first(); e != nullptr; e = e->next)
            m_elements.push_back(e);
    }
    m_dirty = false;
}

int HierarchyPlaceholder::lineCount() const {
    collect();
    return static_cast<int>(m_elements.size());
}

QString HierarchyPlaceholder::lineAt(int index) const {
    collect();
    const DesignElement* e = m_elements[static_cast<std::size_t>(index)];
    const bool clock = m_doc.clockElement() != nullptr && m_doc.clockElement()->parent == e;
    return QString::fromStdString(e->fullName) + (clock ? QStringLiteral("  (clock)") : QString());
}

// --- Trace list ---

TraceListPlaceholder::TraceListPlaceholder(CWizDoc& doc, QWidget* parent) : PlaceholderView(doc, parent) {
    doc.setTraceView(this);
}

TraceListPlaceholder::~TraceListPlaceholder() {
    m_doc.setTraceView(nullptr);
}

int TraceListPlaceholder::lineCount() const {
    return static_cast<int>(m_doc.traceList().size());
}

QString TraceListPlaceholder::lineAt(int index) const {
    auto it = m_doc.traceList().begin();
    std::advance(it, index);
    return QStringLiteral("%1 = %2").arg(QString::fromStdString(it->name)).arg(it->lastValue);
}

// --- Command script ---

ScriptPlaceholder::ScriptPlaceholder(CWizDoc& doc, QWidget* parent) : PlaceholderView(doc, parent) {
    if (const std::string* path = doc.scriptPath())
        LoadScriptFile(*path, m_buffer);
    else
        GenerateInitialScript(m_buffer, doc.symbolPath() ? *doc.symbolPath() : std::string(),
                              doc.calPath() ? *doc.calPath() : std::string(), doc.host().localDate(), {}, {});
    doc.setCmdView(this);
}

ScriptPlaceholder::~ScriptPlaceholder() {
    m_doc.setCmdView(nullptr);
}

bool ScriptPlaceholder::mayDestroy() const {
    return m_doc.isClosing();
}

QString ScriptPlaceholder::lineAt(int index) const {
    return QString::fromStdString(m_buffer.line(index));
}

// --- Result log ---

LogPlaceholder::LogPlaceholder(CWizDoc& doc, QWidget* parent) : PlaceholderView(doc, parent) {
    setFollow(true);
    doc.addLogView(this);
}

LogPlaceholder::~LogPlaceholder() {
    m_doc.removeLogView(this);
}

void LogPlaceholder::refresh(bool follow) {
    if (follow)
        setFollow(true);
    update();
}

void LogPlaceholder::scrollToStart() {
    setFollow(false);
    update();
}

int LogPlaceholder::lineCount() const {
    return static_cast<int>(m_doc.logLines().size());
}

QString LogPlaceholder::lineAt(int index) const {
    return QString::fromStdString(m_doc.logLines()[static_cast<std::size_t>(index)]);
}

// --- SRAM ---

QString SramPlaceholder::lineAt(int) const {
    return QStringLiteral("SRAM: %1 words").arg(m_doc.boardInfo().sramSize);
}

// --- Factory ---

namespace {

class PlaceholderFactory final : public ViewFactory {
public:
    QWidget* makeView(ViewKind kind, CWizDoc& doc, QWidget* parent) override {
        switch (kind) {
        case ViewKind::Hierarchy:
            return new CSymbolView(doc, parent);
        case ViewKind::TraceList:
            return new CTraceView(doc, parent);
        case ViewKind::Script:
            return new ScriptPlaceholder(doc, parent);
        case ViewKind::ResultLog:
            return new LogPlaceholder(doc, parent);
        case ViewKind::Sram:
            return new SramPlaceholder(doc, parent);
        case ViewKind::Waveform:
            return new CWaveView(doc, parent);
        }
        return nullptr;
    }
};

} // namespace

std::unique_ptr<ViewFactory> makePlaceholderViewFactory() {
    return std::make_unique<PlaceholderFactory>();
}

} // namespace cellwatch
