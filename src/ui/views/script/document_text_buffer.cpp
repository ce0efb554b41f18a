#include "ui/views/script/document_text_buffer.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace cellwatch {

namespace {

// The document keeps one paragraph separator per line break, whichever the text used.
QString normalised(std::string_view text) {
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

// Byte columns of the script side against character positions of the document.
int charColumn(const QString& line, int byteColumn) {
    const QByteArray bytes = line.toUtf8();
    return static_cast<int>(QString::fromUtf8(bytes.left(std::clamp<qsizetype>(byteColumn, 0, bytes.size()))).size());
}

int byteColumn(const QString& line, int charColumn) {
    return static_cast<int>(line.left(charColumn).toUtf8().size());
}

} // namespace

DocumentTextBuffer::DocumentTextBuffer(QPlainTextEdit& editor) : m_editor(editor) {}

int DocumentTextBuffer::lineCount() const {
    const QTextDocument* doc = m_editor.document();
    const int blocks = doc->blockCount();
    // A final line break starts no further line.
    return doc->lastBlock().length() <= 1 ? blocks - 1 : blocks;
}

std::string DocumentTextBuffer::line(int n) const {
    if (n < 0 || n >= lineCount())
        return {};
    return m_editor.document()->findBlockByNumber(n).text().toStdString();
}

bool DocumentTextBuffer::insertAt(int n, std::string_view text) {
    if (n < 0 || n > lineCount())
        return false;
    QTextDocument* doc = m_editor.document();
    QTextCursor cursor(doc);
    QString s = normalised(text);
    if (n < lineCount()) {
        cursor.setPosition(doc->findBlockByNumber(n).position());
    } else {
        cursor.movePosition(QTextCursor::End);
        // Appending after a last line that has no break: the text starts a line of its own.
        if (doc->lastBlock().length() > 1)
            s.prepend(QLatin1Char('\n'));
    }
    cursor.insertText(s);
    return true;
}

bool DocumentTextBuffer::deleteLines(int first, int count) {
    const int lines = lineCount();
    if (first < 0 || first >= lines || count < 1)
        return false;
    QTextDocument* doc = m_editor.document();
    QTextCursor cursor(doc);
    cursor.setPosition(doc->findBlockByNumber(first).position());
    const int end = first + count;
    if (end < doc->blockCount())
        cursor.setPosition(doc->findBlockByNumber(end).position(), QTextCursor::KeepAnchor);
    else
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    return true;
}

bool DocumentTextBuffer::isModified() const {
    return m_editor.document()->isModified();
}

void DocumentTextBuffer::setModified(bool modified) {
    m_editor.document()->setModified(modified);
}

int DocumentTextBuffer::positionOf(const TextPosition& at) const {
    const QTextDocument* doc = m_editor.document();
    if (at.line < 0)
        return 0;
    if (at.line >= lineCount())
        return doc->characterCount() - 1;
    const QTextBlock block = doc->findBlockByNumber(at.line);
    return block.position() + std::min(charColumn(block.text(), std::max(0, at.column)), block.length() - 1);
}

TextPosition DocumentTextBuffer::placeOf(int position) const {
    const QTextBlock block = m_editor.document()->findBlock(position);
    return {block.blockNumber(), byteColumn(block.text(), position - block.position())};
}

TextSelection DocumentTextBuffer::selection() const {
    const QTextCursor c = m_editor.textCursor();
    return {placeOf(c.anchor()), placeOf(c.position())};
}

void DocumentTextBuffer::setSelection(const TextSelection& selection) {
    QTextCursor c(m_editor.document());
    c.setPosition(positionOf(selection.anchor));
    c.setPosition(positionOf(selection.caret), QTextCursor::KeepAnchor);
    m_editor.setTextCursor(c);
}

void DocumentTextBuffer::saveSelection() {
    // Cursors of the document move with its edits, so the saved ones stay on the user's text.
    const QTextCursor c = m_editor.textCursor();
    m_savedAnchor = QTextCursor(m_editor.document());
    m_savedAnchor.setPosition(c.anchor());
    m_savedCaret = QTextCursor(m_editor.document());
    m_savedCaret.setPosition(c.position());
    m_savedVertical = m_editor.verticalScrollBar()->value();
    m_savedHorizontal = m_editor.horizontalScrollBar()->value();
    if (m_editDepth++ == 0) {
        m_editBlock = QTextCursor(m_editor.document());
        m_editBlock.beginEditBlock();
    }
}

void DocumentTextBuffer::restoreSelection() {
    if (m_savedAnchor.isNull())
        return;
    QTextCursor c(m_editor.document());
    c.setPosition(m_savedAnchor.position());
    c.setPosition(m_savedCaret.position(), QTextCursor::KeepAnchor);
    m_editor.setTextCursor(c);
    if (m_editDepth > 0 && --m_editDepth == 0)
        m_editBlock.endEditBlock();
    m_editor.verticalScrollBar()->setValue(m_savedVertical);
    m_editor.horizontalScrollBar()->setValue(m_savedHorizontal);
}

} // namespace cellwatch
