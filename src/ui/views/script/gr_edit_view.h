#pragma once
// The plain-text editor the command script view is built on: a fixed-pitch font, clipboard and
// undo, line-by-line access, and the caret's line and column for the status bar.

#include <QPlainTextEdit>

#include <string>

namespace cellwatch {

class CGRTEditView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CGRTEditView(QWidget* parent = nullptr);

    // The caret's line and column, both from 1, as of the last updateCaretPosition (0 before).
    int currentLine() const { return m_line; }
    int currentColumn() const { return m_column; }
    // "Ln %5d, Col %3d" filled with them.
    QString statusText() const;
    virtual void updateCaretPosition();

    bool isModified() const;
    void setModified(bool modified);
    // Line index (from 0) without its line break; false, leaving text alone, for an index beyond
    // the text or an empty line.
    bool getLine(int index, std::string& text) const;

    // After the text is first put in: caret at the start, no undo history, not modified.
    void resetEditState();

Q_SIGNALS:
    // The status text changed.
    void caretMoved(const QString& status);

private:
    int m_line = 0;
    int m_column = 0;
};

} // namespace cellwatch
