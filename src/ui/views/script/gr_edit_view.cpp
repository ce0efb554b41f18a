#include "ui/views/script/gr_edit_view.h"

#include "ui/look/fixed_font.h"

#include <QTextBlock>

namespace cellwatch {

CGRTEditView::CGRTEditView(QWidget* parent) : QPlainTextEdit(parent) {
    setFont(fixedPitchFont());
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(false);
}

QString CGRTEditView::statusText() const {
    return QString::asprintf("Ln %5d, Col %3d", m_line, m_column);
}

void CGRTEditView::updateCaretPosition() {
    const QTextCursor c = textCursor();
    const int start = c.selectionStart();
    const QTextBlock block = document()->findBlock(start);
    const int line = block.blockNumber() + 1;
    const int column = start - block.position() + 1;
    if (line == m_line && column == m_column)
        return;
    m_line = line;
    m_column = column;
    Q_EMIT caretMoved(statusText());
}

bool CGRTEditView::isModified() const {
    return document()->isModified();
}

void CGRTEditView::setModified(bool modified) {
    document()->setModified(modified);
}

bool CGRTEditView::getLine(int index, std::string& text) const {
    if (index < 0 || index >= document()->blockCount())
        return false;
    const QString line = document()->findBlockByNumber(index).text();
    if (line.isEmpty())
        return false;
    text = line.toStdString();
    return true;
}

void CGRTEditView::resetEditState() {
    moveCursor(QTextCursor::Start);
    document()->clearUndoRedoStacks();
    document()->setModified(false);
    updateCaretPosition();
}

} // namespace cellwatch
