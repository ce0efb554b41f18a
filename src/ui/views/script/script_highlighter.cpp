#include "ui/views/script/script_highlighter.h"

#include "script/keyword_table.h"
#include "script/scanning.h"

namespace cellwatch {

ScriptHighlighter::ScriptHighlighter(QTextDocument* document, const KeywordTable& keywords)
    : QSyntaxHighlighter(document), m_keywords(keywords) {}

void ScriptHighlighter::setColours(const ScriptColours& colours) {
    m_colours = colours;
    // Colouring is no edit, but Qt marks the document modified when every block is formatted again:
    // a script just opened would then ask to be saved.
    QTextDocument* text = document();
    const bool wasModified = text != nullptr && text->isModified();
    rehighlight();
    if (text != nullptr)
        text->setModified(wasModified);
}

void ScriptHighlighter::highlightBlock(const QString& text) {
    const std::string line = text.toStdString();
    std::string token;
    if (line.empty() || !NextToken(line, token))
        return;
    // Positions are counted in bytes by the scanner; scripts are ASCII, and a line that is not
    // keeps its positions by mapping them through its UTF-8 prefix lengths.
    auto at = [&](std::size_t byte) { return static_cast<int>(QString::fromUtf8(line.data(), static_cast<qsizetype>(byte)).size()); };
    std::size_t w = 0;
    while (w < line.size() && isSeparator(line[w]))
        ++w;
    const std::size_t e = w + token.size();
    setFormat(at(w), at(e) - at(w), m_keywords.contains(token) ? m_colours.keyword : m_colours.text);
    const std::size_t bar = line.find('|');
    const std::size_t q = bar == std::string::npos ? line.size() : bar;
    if (q > 0 && q > e + 1)
        setFormat(at(e + 1), at(q) - at(e + 1), m_colours.text);
    if (bar != std::string::npos)
        setFormat(at(bar), at(line.size()) - at(bar), m_colours.comment);
}

} // namespace cellwatch
