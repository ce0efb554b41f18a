#include "script/line_buffer.h"

#include <algorithm>

namespace cellwatch {

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::string bufferText(const TextBuffer& buffer) {
    std::string text;
    const int count = buffer.lineCount();
    for (int n = 0; n < count; ++n) {
        text += buffer.line(n);
        text += "\r\n";
    }
    return text;
}

LineBuffer::LineBuffer(std::string_view text) : m_lines(splitLines(text)) {}

std::string LineBuffer::line(int n) const {
    if (n < 0 || n >= lineCount())
        return {};
    return m_lines[static_cast<std::size_t>(n)];
}

bool LineBuffer::insertAt(int n, std::string_view text) {
    if (n < 0 || n > lineCount())
        return false;
    if (text.empty())
        return true;
    // The pieces ended by a line break, and the tail after the last break.
    std::vector<std::string> whole = splitLines(text);
    std::string tail;
    const char last = text.back();
    if (last != '\r' && last != '\n') {
        tail = std::move(whole.back());
        whole.pop_back();
    }
    const int added = static_cast<int>(whole.size());
    const auto at = m_lines.begin() + n;
    if (n < lineCount()) {
        at->insert(0, tail);
        m_lines.insert(at, whole.begin(), whole.end());
    } else {
        m_lines.insert(at, whole.begin(), whole.end());
        if (!tail.empty())
            m_lines.push_back(tail);
    }
    followInsert(n, added, static_cast<int>(tail.size()));
    m_modified = true;
    return true;
}

bool LineBuffer::deleteLines(int first, int count) {
    if (first < 0 || first >= lineCount() || count < 1)
        return false;
    count = std::min(count, lineCount() - first);
    m_lines.erase(m_lines.begin() + first, m_lines.begin() + first + count);
    followDelete(first, count);
    m_modified = true;
    return true;
}

void LineBuffer::setSelection(const TextSelection& selection) {
    m_selection = {clamp(selection.anchor), clamp(selection.caret)};
}

// Valid positions are every column of every line, plus the start of the (empty) line after the
// last line break, which is where the end of the text lies.
TextPosition LineBuffer::clamp(TextPosition p) const {
    if (p.line < 0)
        return {0, 0};
    if (p.line >= lineCount())
        return {lineCount(), 0};
    const int length = static_cast<int>(m_lines[static_cast<std::size_t>(p.line)].size());
    return {p.line, std::clamp(p.column, 0, length)};
}

void LineBuffer::followInsert(int n, int newLines, int prefixLength) {
    auto move = [&](TextPosition& p) {
        if (p.line < n)
            return;
        if (p.line == n)
            p.column += prefixLength;
        p.line += newLines;
    };
    for (TextSelection* s : {&m_selection, &m_saved}) {
        move(s->anchor);
        move(s->caret);
    }
}

void LineBuffer::followDelete(int first, int count) {
    auto move = [&](TextPosition& p) {
        if (p.line < first)
            return;
        if (p.line < first + count)
            p = {first, 0};
        else
            p.line -= count;
    };
    for (TextSelection* s : {&m_selection, &m_saved}) {
        move(s->anchor);
        move(s->caret);
    }
}

} // namespace cellwatch
