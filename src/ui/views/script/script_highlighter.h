#pragma once
// Colours the command script line by line as the script editor always has: the command word in
// the keyword colour when it is a keyword, else the text colour; from the first '|' to the end of
// the line the comment colour; between them the text colour, except the one character right after
// the command word. Qt calls it for the lines that change, so typing stays instant in long scripts.

#include <QColor>
#include <QSyntaxHighlighter>

namespace cellwatch {

class KeywordTable;

struct ScriptColours {
    QColor text;
    QColor keyword;
    QColor comment;
};

class ScriptHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT
public:
    ScriptHighlighter(QTextDocument* document, const KeywordTable& keywords);
    void setColours(const ScriptColours& colours);

protected:
    void highlightBlock(const QString& text) override;

private:
    const KeywordTable& m_keywords;
    ScriptColours m_colours;
};

} // namespace cellwatch
