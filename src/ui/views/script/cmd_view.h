#pragma once
// The command script view: the editor over the session's script, coloured line by line (command
// word in the keyword colour when keywords.dat knows it, comment from the first '|', the rest in
// the text colour, on the background colour). It refuses to close until the session is closing.

#include "app/views.h"
#include "script/keyword_table.h"
#include "ui/views/script/document_text_buffer.h"
#include "ui/views/script/gr_edit_view.h"
#include "ui/views/wiz_view.h"

#include <QColor>

namespace cellwatch {

class CWizDoc;
class ScriptHighlighter;

class CCmdView final : public CGRTEditView, public ScriptView, public WizView {
    Q_OBJECT
public:
    // Loads the session's script file, or writes a fresh script for a session opened from a
    // symbol table, and registers with the session.
    explicit CCmdView(CWizDoc& doc, QWidget* parent = nullptr);
    ~CCmdView() override;

    ViewKind viewKind() const override { return ViewKind::Script; }
    bool mayDestroy() const override;
    void loadColours() override { recolour(); }

    TextBuffer& buffer() override { return m_buffer; }
    // Rebuilds the title at once (after a save) and has the frames' titles refreshed.
    void refreshTitle() override;
    // The caret position, then the title when the modified flag changed since the last refresh.
    void updateCaretPosition() override;
    // The script's file name, or "untitled" before it has a file, and " *" while modified.
    const QString& title() const { return m_title; }
    bool titleMarked() const { return m_titleMarked; }
    // Reads the four colours again and colours every line.
    void recolour() override;

    // The colour line n shows at column (both from 0), as the user sees it.
    QColor colourAt(int line, int column) const;
    const KeywordTable& keywords() const { return m_keywords; }

protected:
    // A paste leaves the caret at the start of the pasted text.
    void insertFromMimeData(const QMimeData* source) override;

private:
    void rebuildTitle();

    CWizDoc& m_doc;
    QString m_title;
    bool m_titleMarked = false;
    DocumentTextBuffer m_buffer;
    KeywordTable m_keywords{false};
    ScriptHighlighter* m_pHighlighter = nullptr;
    QColor m_text;
};

} // namespace cellwatch
