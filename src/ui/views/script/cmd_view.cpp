#include "ui/views/script/cmd_view.h"

#include "app/cwiz_doc.h"
#include "platform/app_path.h"
#include "platform/settings_catalogue.h"
#include "script/script_file.h"
#include "script/section_rewriter.h"
#include "ui/look/colour_settings.h"
#include "ui/shell/wiz_frames.h"
#include "ui/views/script/script_highlighter.h"

#include <QFileInfo>
#include <QTextBlock>
#include <QTextLayout>

namespace cellwatch {

CCmdView::CCmdView(CWizDoc& doc, QWidget* parent) : CGRTEditView(parent), m_doc(doc), m_buffer(*this) {
    m_keywords.loadFile(locateAppPath(doc.settings()).folder + "keywords.dat");
    m_pHighlighter = new ScriptHighlighter(document(), m_keywords);
    if (const std::string* path = doc.scriptPath())
        loadScriptFile(*path, m_buffer);
    else
        GenerateInitialScript(m_buffer, doc.symbolPath() ? *doc.symbolPath() : std::string(),
                              doc.calPath() ? *doc.calPath() : std::string(), doc.host().localDate(), {}, {});
    recolour();
    resetEditState();
    rebuildTitle();
    doc.setCmdView(this);
}

CCmdView::~CCmdView() {
    m_doc.setCmdView(nullptr);
}

bool CCmdView::mayDestroy() const {
    return m_doc.isClosing();
}

void CCmdView::rebuildTitle() {
    m_titleMarked = isModified();
    const std::string* path = m_doc.scriptPath();
    m_title = path != nullptr ? QFileInfo(QString::fromStdString(*path)).fileName() : QStringLiteral("untitled");
    if (m_titleMarked)
        m_title += QStringLiteral(" *");
}

void CCmdView::refreshTitle() {
    rebuildTitle();
    m_doc.markTitleChanged();
    for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* frame = qobject_cast<CWizMDIChild*>(w)) {
            frame->refreshTitle();
            return;
        }
    }
}

void CCmdView::updateCaretPosition() {
    CGRTEditView::updateCaretPosition();
    // Typing only sets the flag; the titles follow here, at the idle pass.
    if (isModified() != m_titleMarked) {
        rebuildTitle();
        m_doc.markTitleChanged();
    }
}

void CCmdView::recolour() {
    const Settings& s = m_doc.settings();
    m_text = readColour(s, settings::kText);
    QPalette p = palette();
    p.setColor(QPalette::Base, readColour(s, settings::kBackground));
    p.setColor(QPalette::Text, m_text);
    setPalette(p);
    m_pHighlighter->setColours({m_text, readColour(s, settings::kKeywords), readColour(s, settings::kComments)});
}

QColor CCmdView::colourAt(int line, int column) const {
    const QTextBlock block = document()->findBlockByNumber(line);
    if (!block.isValid() || block.layout() == nullptr)
        return m_text;
    QColor colour = m_text;
    for (const QTextLayout::FormatRange& r : block.layout()->formats()) {
        if (column >= r.start && column < r.start + r.length && r.format.hasProperty(QTextFormat::ForegroundBrush))
            colour = r.format.foreground().color();
    }
    return colour;
}

void CCmdView::insertFromMimeData(const QMimeData* source) {
    const int start = textCursor().selectionStart();
    CGRTEditView::insertFromMimeData(source);
    QTextCursor c = textCursor();
    c.setPosition(start);
    setTextCursor(c);
}

} // namespace cellwatch
