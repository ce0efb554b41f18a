#pragma once
// The command script's TextBuffer over an editor's QTextDocument: lines are the document's blocks,
// the selection is the editor's cursor. What the script side does between saveSelection and
// restoreSelection (a section rewrite) is one undo step, and the editor's scroll position comes
// back with the selection.

#include "script/text_buffer.h"

#include <QTextCursor>

class QPlainTextEdit;

namespace cellwatch {

class DocumentTextBuffer : public TextBuffer {
public:
    explicit DocumentTextBuffer(QPlainTextEdit& editor);

    int lineCount() const override;
    std::string line(int n) const override;
    bool insertAt(int n, std::string_view text) override;
    bool deleteLines(int first, int count) override;
    bool isModified() const override;
    void setModified(bool modified) override;
    TextSelection selection() const override;
    void setSelection(const TextSelection& selection) override;
    void saveSelection() override;
    void restoreSelection() override;

private:
    int positionOf(const TextPosition& at) const;
    TextPosition placeOf(int position) const;

    QPlainTextEdit& m_editor;
    QTextCursor m_savedAnchor;
    QTextCursor m_savedCaret;
    int m_savedVertical = 0;
    int m_savedHorizontal = 0;
    int m_editDepth = 0;
    QTextCursor m_editBlock;
};

} // namespace cellwatch
